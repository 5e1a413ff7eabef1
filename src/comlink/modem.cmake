# The modem dialogue of the port window: the Hayes modem, dialling and the partner synchronisation.
target_sources(haltron_comlink_logic PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/HayesModem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ModemControl.cpp)
