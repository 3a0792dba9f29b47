# Data logs: opening a one-hour log, the plot's lines per redraw, and what recording adds to
# a poll tick against the in-process virtual controller.
if(TARGET vexa_datalog AND TARGET vexa_sim)
  add_executable(datalog_bench ${CMAKE_CURRENT_LIST_DIR}/datalog_bench.cpp)
  target_compile_options(datalog_bench PRIVATE ${VEXA_WARNINGS})
  target_include_directories(datalog_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(datalog_bench PRIVATE vexa_datalog vexa_sim benchmark::benchmark)
  add_dependencies(datalog_bench vexa_data)
endif()

# The log window's plot redrawn while dragging; needs Qt.
if(TARGET vexa_datalog_ui)
  add_executable(datalog_ui_bench ${CMAKE_CURRENT_LIST_DIR}/datalog_ui_bench.cpp)
  target_compile_options(datalog_ui_bench PRIVATE ${VEXA_WARNINGS})
  target_link_libraries(datalog_ui_bench PRIVATE vexa_datalog_ui benchmark::benchmark)
endif()
