# Rich Text reader: any byte string is a help file.
vexa_fuzz(richtext_parse ${CMAKE_CURRENT_LIST_DIR}/richtext_parse.cpp DEPS vexa_richtext)
