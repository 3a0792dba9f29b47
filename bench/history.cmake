# Undo and redo of a drag and of a calibration read against one 60 Hz frame, and the memory
# of 1000 steps, on the shipped definitions.
add_executable(history_bench ${CMAKE_CURRENT_LIST_DIR}/history_bench.cpp)
target_compile_options(history_bench PRIVATE ${VEXA_WARNINGS})
target_link_libraries(history_bench PRIVATE vexa_core vexa_graph vexa_link vexa_sim benchmark::benchmark)
target_include_directories(history_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(history_bench PRIVATE VEXA_DATA_DIR="${PROJECT_SOURCE_DIR}/data")
