# The phone book: file logic in the link library, the dialog in its own library.
target_sources(haltron_comlink_logic PRIVATE ${CMAKE_CURRENT_LIST_DIR}/PhoneBook.cpp)

add_library(haltron_phonebook_ui STATIC ${CMAKE_CURRENT_LIST_DIR}/PhoneBookWindow.cpp)
target_include_directories(haltron_phonebook_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(haltron_phonebook_ui PUBLIC haltron_comlink_logic Qt6::Widgets)
