# The serial line on real devices and the port logic (PortWindow).
target_sources(haltron_comlink_logic PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/QtSerialLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IdleExchange.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LowLatency.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LineLights.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ControlLineWatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComPort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortChoice.cpp)

# The port window PortWindow and the parts of the link windows.
add_library(haltron_comlink_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/LinkLampBinding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowParts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortPicker.cpp)
target_include_directories(haltron_comlink_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(haltron_comlink_ui PUBLIC haltron_comlink_logic haltron_widgets Qt6::Widgets)
