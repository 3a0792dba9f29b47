add_executable(core_bench ${CMAKE_CURRENT_LIST_DIR}/core_bench.cpp)
target_link_libraries(core_bench PRIVATE vexa_core benchmark::benchmark)
target_include_directories(core_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
