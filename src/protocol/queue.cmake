# The controller's codes, shared with the stand-in controller: QtCore only.
add_library(haltron_protocol_codes STATIC ${CMAKE_CURRENT_LIST_DIR}/Codes.cpp)
target_include_directories(haltron_protocol_codes PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(haltron_protocol_codes PUBLIC Qt6::Core)

# The transfer queue and the command library.
add_library(haltron_protocol_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/TransferQueue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ControllerChannel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CommandLibrary.cpp)
target_include_directories(haltron_protocol_logic PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(haltron_protocol_logic PUBLIC haltron_protocol_codes haltron_core Qt6::Core)

# The transfer list window over the queue.
add_library(haltron_protocol_ui STATIC ${CMAKE_CURRENT_LIST_DIR}/QueueWindow.cpp)
target_include_directories(haltron_protocol_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(haltron_protocol_ui PUBLIC haltron_protocol_logic Qt6::Widgets)
