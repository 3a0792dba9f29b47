# Undo and redo of a drag and of a calibration read against one 60 Hz frame, and the memory
# of 1000 steps, on the shipped definitions.
add_executable(history_bench ${CMAKE_CURRENT_LIST_DIR}/history_bench.cpp)
target_compile_options(history_bench PRIVATE ${VEXA_WARNINGS})
target_link_libraries(history_bench PRIVATE vexa_core vexa_graph vexa_link vexa_sim benchmark::benchmark)
target_include_directories(history_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(history_bench PRIVATE VEXA_DATA_DIR="${PROJECT_SOURCE_DIR}/data")

# The same in the windowed program: the Edit menu's commands with the repaint, bar rebuild
# and System Settings pages they cause.
if(VEXA_BUILD_GUI AND TARGET vexa_ui)
  add_executable(history_window_bench ${CMAKE_CURRENT_LIST_DIR}/history_window_bench.cpp)
  target_compile_options(history_window_bench PRIVATE ${VEXA_WARNINGS})
  target_link_libraries(history_window_bench PRIVATE vexa_ui benchmark::benchmark)
  target_include_directories(history_window_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_dependencies(history_window_bench vexa_data)
  target_compile_definitions(history_window_bench PRIVATE VEXA_BUILT_DATA_DIR="$<TARGET_FILE_DIR:vexa>")
endif()
