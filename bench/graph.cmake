# A full paint of the graph on a 1920 x 1080 image, and one drag step; needs Qt.
if(VEXA_BUILD_GUI AND TARGET vexa_graph_qt)
  add_executable(graph_bench ${CMAKE_CURRENT_LIST_DIR}/graph_bench.cpp)
  target_compile_options(graph_bench PRIVATE ${VEXA_WARNINGS})
  target_link_libraries(graph_bench PRIVATE vexa_graph_qt benchmark::benchmark)
endif()
