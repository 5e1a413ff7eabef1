# The serial line on real devices and the port logic (TMyComPort).
target_sources(haltron_link_logic PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/QtSerialLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComPort.cpp)
