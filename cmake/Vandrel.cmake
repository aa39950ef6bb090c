# Helpers shared by every folder.

set(VANDREL_PYTHON /usr/bin/python3 CACHE FILEPATH "Python used by tests as an independent oracle")

# vandrel_test(NAME SOURCES... [LIBS libs...] [LABELS labels...])
# One gtest program; every case runs in its own process.
function(vandrel_test name)
  if(NOT VANDREL_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main pthread)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set(labels ${T_LABELS})
  if(NOT labels)
    set(labels unit)
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES LABELS "${labels}" TIMEOUT 300
    DISCOVERY_TIMEOUT 60)
endfunction()

# vandrel_fuzz(NAME SOURCE [LIBS libs...] CORPUS dir)
# A fuzz target defines LLVMFuzzerTestOneInput. Under g++ it becomes a replay program that CTest runs over
# the committed corpus; scripts/fuzz builds it with libFuzzer for real fuzzing.
function(vandrel_fuzz name source)
  cmake_parse_arguments(F "" "CORPUS" "LIBS" ${ARGN})
  if(VANDREL_FUZZ_ENGINE)
    add_executable(fuzz_${name} ${source})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(fuzz_${name} PRIVATE ${F_LIBS})
    return()
  endif()
  if(NOT VANDREL_TESTS)
    return()
  endif()
  add_executable(fuzz_${name} ${source} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
  target_link_libraries(fuzz_${name} PRIVATE ${F_LIBS})
  set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME fuzz_${name}_corpus COMMAND fuzz_${name} ${F_CORPUS})
  set_tests_properties(fuzz_${name}_corpus PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()

# vandrel_bench(NAME SOURCES... LIBS ...)
function(vandrel_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(bench_${name} ${B_SOURCES} ${B_UNPARSED_ARGUMENTS})
  target_link_libraries(bench_${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
