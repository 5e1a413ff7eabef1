# The local "401" line driver and its port window (zbl_401, zbl_port).
add_library(haltron_line401_logic STATIC ${CMAKE_CURRENT_LIST_DIR}/Line401.cpp)
target_include_directories(haltron_line401_logic PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(haltron_line401_logic PUBLIC haltron_comlink_logic haltron_core Qt6::Core)

add_library(haltron_line401_ui STATIC ${CMAKE_CURRENT_LIST_DIR}/LineDriverWindow.cpp)
target_include_directories(haltron_line401_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(haltron_line401_ui PUBLIC haltron_line401_logic haltron_comlink_ui Qt6::Widgets)
