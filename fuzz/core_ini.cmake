# Settings-file parser of the core layer.
vexa_fuzz(ini_parse ${CMAKE_CURRENT_LIST_DIR}/ini_parse.cpp DEPS vexa_core)
