# Shared settings for every target of the project.

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(VEXA_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
                    -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
                    -Wformat=2 -Wimplicit-fallthrough)
endif()

if(VEXA_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Instrument every library for coverage, so the fuzzers are guided through the code
  # under test and not only through their entry files.
  # Undefined behaviour stops the run like any other finding, so libFuzzer keeps the input.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VEXA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# A subdirectory joins the build once it has a CMakeLists.txt of its own.
function(vexa_add_optional_subdirectory dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# vexa_library(NAME SOURCES ... [DEPS ...]): a layer's static library with warnings on.
function(vexa_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    # A layer that has only headers so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    if(ARG_DEPS)
      target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${VEXA_WARNINGS})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# vexa_test(NAME SOURCES ... DEPS ... [LABEL plain|qt]): a GoogleTest executable run by ctest.
# Tests labelled "plain" need no display and are also run in the sanitizer build.
function(vexa_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL plain)
  endif()
  if(NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${VEXA_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    VEXA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VEXA_DATA_DIR="${PROJECT_SOURCE_DIR}/data"
    VEXA_TEST_OUTPUT_DIR="${CMAKE_BINARY_DIR}/test-output")
  add_dependencies(${name} vexa_data)
  if(CMAKE_CROSSCOMPILING)
    # One ctest case per binary, run through the emulator (Wine): discovering each test
    # would start the emulator once more for every binary at build time.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL})
    return()
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${ARG_LABEL} ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# vexa_fuzz(NAME SOURCE DEPS ...): a libFuzzer entry point. The ordinary build links it
# with a replay driver that runs every file of fuzz/corpus/NAME once, as a ctest case;
# with VEXA_FUZZ and clang it also becomes a real fuzzer, NAME_fuzzer.
function(vexa_fuzz name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_executable(${name}_replay ${source} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
  target_compile_options(${name}_replay PRIVATE ${VEXA_WARNINGS})
  target_link_libraries(${name}_replay PRIVATE ${ARG_DEPS})
  add_test(NAME fuzz_replay.${name}
           COMMAND ${name}_replay ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS plain)
  if(VEXA_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_executable(${name}_fuzzer ${source})
    target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name}_fuzzer PRIVATE ${ARG_DEPS})
  endif()
endfunction()
