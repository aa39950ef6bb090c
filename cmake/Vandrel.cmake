# Helpers shared by every folder.

set(VANDREL_PYTHON /usr/bin/python3 CACHE FILEPATH "Python used by tests as an independent oracle")

# vandrel_test(NAME SOURCES... [LIBS libs...] [LABELS label])
# One gtest program; every case runs in its own process. One label only: gtest_discover_tests flattens a
# list of labels into separate property arguments.
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
    PROPERTIES TIMEOUT 300
    DISCOVERY_TIMEOUT 60)
  # Discovery splits a list given in PROPERTIES, so the labels are set by a script that CTest runs after
  # the discovered tests are defined.
  set(label_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
  file(WRITE ${label_script}
    "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${labels}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_script})
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
  add_executable(fuzz_${name} ${source} ${CMAKE_SOURCE_DIR}/platform/testing/fuzz_replay_main.cpp)
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

# vandrel_module_tests(PREFIX LIBS libs...)
# The tests of one folder: tests/*Test.cpp form PREFIX_tests; tests/*ThreadTest.cpp form PREFIX_thread_tests,
# labelled "threads" for the ThreadSanitizer pass; other .cpp files of tests/ are support linked into both;
# each tests/fuzz_NAME.cpp is a fuzz target replayed over tests/fuzz/NAME/.
function(vandrel_module_tests prefix)
  cmake_parse_arguments(M "" "" "LIBS" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  file(GLOB all CONFIGURE_DEPENDS ${dir}/*.cpp)
  file(GLOB threads CONFIGURE_DEPENDS ${dir}/*ThreadTest.cpp)
  file(GLOB units CONFIGURE_DEPENDS ${dir}/*Test.cpp)
  file(GLOB fuzzers CONFIGURE_DEPENDS ${dir}/fuzz_*.cpp)
  if(threads)
    list(REMOVE_ITEM units ${threads})
  endif()
  set(support ${all})
  foreach(f IN LISTS units threads fuzzers)
    list(REMOVE_ITEM support ${f})
  endforeach()
  if(units)
    vandrel_test(${prefix}_tests SOURCES ${units} ${support} LIBS ${M_LIBS} vandrel_testing)
  endif()
  if(threads)
    vandrel_test(${prefix}_thread_tests SOURCES ${threads} ${support} LIBS ${M_LIBS} vandrel_testing
      LABELS threads)
  endif()
  foreach(f IN LISTS fuzzers)
    get_filename_component(base ${f} NAME_WE)
    string(REGEX REPLACE "^fuzz_" "" name ${base})
    vandrel_fuzz(${name} ${f} LIBS ${M_LIBS} CORPUS ${dir}/fuzz/${name})
  endforeach()
endfunction()

# vandrel_system_library(NAME LIBS libs... [EXCLUDE files...]): the code of one system folder (but the files
# excluded, such as the deliverable's main source) as a static library with hidden visibility, linked into its
# deliverable; its tests as vandrel_module_tests.
function(vandrel_system_library name)
  cmake_parse_arguments(S "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS S_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${S_LIBS})
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    vandrel_module_tests(${name} LIBS ${name})
  endif()
endfunction()

# Adds every immediate subfolder of the current folder that has a CMakeLists.txt.
function(vandrel_add_subfolders)
  file(GLOB children CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(c IN LISTS children)
    get_filename_component(d ${c} DIRECTORY)
    get_filename_component(n ${d} NAME)
    if(NOT n STREQUAL "tests")
      add_subdirectory(${n})
    endif()
  endforeach()
endfunction()

# vandrel_file_bytes(PATH LENGTH BYTES L0 L1 L2 L3): reads a file into a C initialiser list ("0x3c,0x3f,...")
# and its length, whole and as four little-endian bytes.
function(vandrel_file_bytes path length_var bytes_var l0_var l1_var l2_var l3_var)
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR length "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  set(${length_var} ${length} PARENT_SCOPE)
  set(${bytes_var} "${bytes}" PARENT_SCOPE)
  set(shift 0)
  foreach(var ${l0_var} ${l1_var} ${l2_var} ${l3_var})
    math(EXPR byte "(${length} >> ${shift}) & 255")
    set(${var} ${byte} PARENT_SCOPE)
    math(EXPR shift "${shift} + 8")
  endforeach()
endfunction()

# vandrel_resources(TARGET VERSION a.b.c.d [MANIFEST file]): embeds a version resource, and the manifest as
# resource 1, in the target's binary (sections that GetFileVersionInfoA and CreateActCtxA read).
function(vandrel_resources target)
  cmake_parse_arguments(R "" "VERSION;MANIFEST" "" ${ARGN})
  string(REPLACE "." ";" parts "${R_VERSION}")
  list(APPEND parts 0 0 0 0)
  list(GET parts 0 v1)
  list(GET parts 1 v2)
  list(GET parts 2 v3)
  list(GET parts 3 v4)
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "EXECUTABLE")
    set(file_type VFT_APP)
  else()
    set(file_type VFT_DLL)
  endif()
  set(manifest "")
  if(R_MANIFEST)
    get_filename_component(manifest_path ${R_MANIFEST} ABSOLUTE)
    vandrel_file_bytes(${manifest_path} length bytes l0 l1 l2 l3)
    set(manifest "[[gnu::used, gnu::section(\".vandrel_manifest\")]] const unsigned char kManifest[] = {
    'V', 'D', 'R', 'L', 'M', 'A', 'N', '1', ${l0}, ${l1}, ${l2}, 0, ${bytes}};")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manifest_path})
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  file(CONFIGURE OUTPUT ${out} CONTENT "// Generated by vandrel_resources: the version and manifest resources of ${target}.
#include \"platform/winapi/Module.h\"

namespace {
struct VersionResource {
  char tag[8];
  VS_FIXEDFILEINFO info;
};
[[gnu::used, gnu::section(\".vandrel_version\")]] const VersionResource kVersion = {
    {'V', 'D', 'R', 'L', 'V', 'E', 'R', '1'},
    {VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, MAKELONG(${v2}, ${v1}), MAKELONG(${v4}, ${v3}), MAKELONG(${v2}, ${v1}),
     MAKELONG(${v4}, ${v3}), VS_FFI_FILEFLAGSMASK, 0, VOS__WINDOWS32, ${file_type}, 0, 0, 0}};
${manifest}
}  // namespace
" @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()

# vandrel_form_resources(TARGET FILES...): embeds form resource files. Each file (UTF-8 text) becomes the
# header "<path from the source root>.h" in the build's generated folder, holding the std::string_view
# k<FileBase>Resource; the form's unit includes it and registers it with VCL_REGISTER_FORM.
function(vandrel_form_resources target)
  foreach(file ${ARGN})
    get_filename_component(abs ${file} ABSOLUTE)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${abs})
    get_filename_component(base ${file} NAME_WE)
    set(out ${CMAKE_BINARY_DIR}/generated/${rel}.h)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DIN=${abs} -DOUT=${out} -DNAME=k${base}Resource
              -P ${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake
      DEPENDS ${abs} ${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake
      COMMENT "Embedding ${rel}")
    target_sources(${target} PRIVATE ${out})
  endforeach()
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated)
endfunction()

# vandrel_resource_files(TARGET TYPE type FILES files...): embeds files as named resources of the binary
# (platform/winapi/Resources.h), each named by its file's base name; TYPE is a name or "#n" for a numeric
# type (RT_CURSOR is "#1").
function(vandrel_resource_files target)
  cmake_parse_arguments(R "" "TYPE" "FILES" ${ARGN})
  set(records "")
  set(index 0)
  foreach(file ${R_FILES})
    get_filename_component(path ${file} ABSOLUTE)
    get_filename_component(name ${file} NAME_WE)
    vandrel_file_bytes(${path} length bytes l0 l1 l2 l3)
    string(APPEND records "[[gnu::used, gnu::section(\".vandrel_rsrc\")]] alignas(8) const Record<${length}> kResource${index} = {
    {'V', 'D', 'R', 'L', 'R', 'E', 'S', '1'}, \"${R_TYPE}\", \"${name}\", {${l0}, ${l1}, ${l2}, ${l3}, 0, 0, 0, 0}, {${bytes}}};
")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
    math(EXPR index "${index} + 1")
  endforeach()
  string(MAKE_C_IDENTIFIER "${R_TYPE}" type_id)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources${type_id}.cpp)
  file(CONFIGURE OUTPUT ${out} CONTENT "// Generated by vandrel_resource_files: the named resources of ${target}.
namespace {
template <unsigned N>
struct Record {
  char tag[8];
  char type[16];
  char name[48];
  unsigned char size[8];
  unsigned char data[N];
};
${records}}  // namespace
" @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
