# Start-up time and idle memory of the windowed program against a minimal Qt program.
if(VEXA_BUILD_GUI AND TARGET vexa_ui)
  add_executable(app_bench ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp)
  target_compile_options(app_bench PRIVATE ${VEXA_WARNINGS})
  target_link_libraries(app_bench PRIVATE vexa_ui benchmark::benchmark)
  add_dependencies(app_bench vexa_data)
endif()
