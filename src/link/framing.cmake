# The framing layer of the modem route.
target_sources(haltron_link_logic PRIVATE ${CMAKE_CURRENT_LIST_DIR}/KavCom.cpp)
