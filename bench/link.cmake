# Controller transfers against the virtual controller on a pseudo-terminal at 9600 baud,
# through the real serial adapter; needs Qt SerialPort. Run by hand: each case takes seconds.
if(TARGET vexa_link_qt AND TARGET vexa_sim)
  add_executable(link_bench ${CMAKE_CURRENT_LIST_DIR}/link_bench.cpp)
  target_compile_options(link_bench PRIVATE ${VEXA_WARNINGS})
  target_link_libraries(link_bench PRIVATE vexa_link_qt vexa_sim benchmark::benchmark)
endif()
