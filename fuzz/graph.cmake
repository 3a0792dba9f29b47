vexa_fuzz(callout_format ${CMAKE_CURRENT_LIST_DIR}/callout_format.cpp DEPS vexa_graph)
