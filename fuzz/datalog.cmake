# The data log reader: CSV files the user opens in the log viewer.
if(TARGET vexa_datalog)
  vexa_fuzz(datalog_file ${CMAKE_CURRENT_LIST_DIR}/datalog_file.cpp DEPS vexa_datalog)
endif()
