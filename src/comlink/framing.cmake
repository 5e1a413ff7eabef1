# The framing layer of the modem route.
target_sources(haltron_comlink_logic PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FramedLink.cpp)
# The controller's side of the same protocol, for the stand-in controller and tests.
target_sources(haltron_comlink_logic PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FramedPartner.cpp)
