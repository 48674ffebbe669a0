# Build helpers shared by every folder: warnings, sanitizers, and the test, benchmark and fuzzer targets.

add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(DROVIK_WERROR)
  add_compile_options(-Werror)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # Several plug-ins share one host process: no STB_GNU_UNIQUE symbols may leave the module.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-gnu-unique>)
endif()
if(DROVIK_SANITIZE)
  add_compile_options(-fsanitize=${DROVIK_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${DROVIK_SANITIZE})
endif()
if(DROVIK_FUZZ)
  # Coverage feedback from the libraries a fuzz target links, not only from the target's own sources.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Adds each named folder below BASE that has a CMakeLists.txt, and, for a folder without one,
# each of its immediate subfolders that has one.
function(drovik_add_subdirs BASE)
  foreach(dir ${ARGN})
    if(EXISTS ${BASE}/${dir}/CMakeLists.txt)
      add_subdirectory(${BASE}/${dir})
    endif()
  endforeach()
endfunction()

# Adds every immediate subfolder of the current folder that has a CMakeLists.txt.
function(drovik_add_all_subdirs)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

find_package(GTest QUIET)
find_package(benchmark QUIET)
find_package(Threads REQUIRED)

# Aggregate targets, so that a build that runs only some tests builds only what those need (each test
# declares what it runs besides its own program with add_dependencies): test_programs is every test CTest
# runs except those labelled "nosan", threaded_test_programs those labelled "threaded".
foreach(aggregate test_programs threaded_test_programs)
  if(NOT TARGET ${aggregate})
    add_custom_target(${aggregate})
  endif()
endforeach()

# GoogleTest's header and the standard headers most tests include, compiled once per build folder and reused
# by every test program: parsing them was a good part of a small test file's compile time. The header is built by a
# program of its own (it links gtest_main for its main) because GCC uses a precompiled header only in a compile
# with the same -fPIE/-fPIC setting, and the test programs are executables.
function(drovik_use_test_header target)
  if(NOT TARGET test_precompiled_header)
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/test_precompiled_header.cpp
      CONTENT "// Owns the tests' precompiled header.\n")
    add_executable(test_precompiled_header EXCLUDE_FROM_ALL ${CMAKE_BINARY_DIR}/test_precompiled_header.cpp)
    target_link_libraries(test_precompiled_header PRIVATE GTest::gtest GTest::gtest_main Threads::Threads)
    target_precompile_headers(test_precompiled_header PRIVATE
      <gtest/gtest.h> <algorithm> <atomic> <chrono> <cmath> <cstring> <functional> <memory> <string> <thread>
      <vector>)
  endif()
  target_precompile_headers(${target} REUSE_FROM test_precompiled_header)
endfunction()

# drovik_add_test(NAME [NEEDS_DISPLAY] SOURCES a.cpp ... LIBS lib ... [LABELS threaded ...] [ENV VAR=value ...])
# One GoogleTest executable, registered with CTest as one test. NEEDS_DISPLAY: its tests need an X server and skip
# without one (outside CI); CTest then shows the program as skipped (tests/support/display_test_main.cpp). Label
# "threaded" marks tests that also run under ThreadSanitizer; label "nosan" tests that the sanitizer builds leave
# out. Each test runs in a fresh
# temporary HOME. CTest starts the tests of high COST first: the long ones, and those that hold RESOURCE_LOCK
# x11_pointer (they run one after another), are given COST 100 so that they do not end the run alone.
function(drovik_add_test name)
  cmake_parse_arguments(T "NEEDS_DISPLAY" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  if(T_NEEDS_DISPLAY)
    add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/display_test_main.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest Threads::Threads)
  else()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  endif()
  drovik_use_test_header(${name})
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/cmake/with-temp-home.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  if(T_NEEDS_DISPLAY)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
  if(T_ENV)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
  if(NOT "nosan" IN_LIST T_LABELS)
    add_dependencies(test_programs ${name})
  endif()
  if("threaded" IN_LIST T_LABELS)
    add_dependencies(threaded_test_programs ${name})
  endif()
endfunction()

# drovik_add_benchmark(NAME SOURCES ... LIBS ...): a Google Benchmark program; never part of CTest.
function(drovik_add_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TARGET benchmark::benchmark)
    return()
  endif()
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
  add_dependencies(benchmarks ${name})
endfunction()
if(NOT TARGET benchmarks)
  add_custom_target(benchmarks)
endif()

# drovik_add_fuzzer(NAME SOURCES ... LIBS ... [MAX_LEN bytes]): a libFuzzer target (clang, DROVIK_FUZZ=ON) whose
# seed corpus is fuzz/corpus/NAME; MAX_LEN is the longest input the fuzzer makes (by default libFuzzer takes the
# longest seed). In every other build the same entry point is linked with a small replay driver and run by CTest
# over the seed corpus, so each seed is exercised (under the sanitizers too).
function(drovik_add_fuzzer name)
  cmake_parse_arguments(F "" "MAX_LEN" "SOURCES;LIBS" ${ARGN})
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 0)
  endif()
  set(corpus ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
  if(DROVIK_FUZZ)
    add_executable(${name} ${F_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS} -fsanitize=fuzzer)
    add_dependencies(fuzzers ${name})
    file(APPEND ${CMAKE_BINARY_DIR}/fuzzers.txt "${name} ${corpus} ${F_MAX_LEN}\n")
  else()
    # The replay driver is compiled once and linked into every replay program.
    if(NOT TARGET fuzz_replay_main)
      add_library(fuzz_replay_main OBJECT ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    endif()
    add_executable(${name}_replay ${F_SOURCES})
    target_link_libraries(${name}_replay PRIVATE ${F_LIBS} fuzz_replay_main)
    if(DROVIK_TESTS)
      add_test(NAME ${name}_replay COMMAND ${CMAKE_SOURCE_DIR}/cmake/with-temp-home.sh
        $<TARGET_FILE:${name}_replay> ${corpus})
      add_dependencies(test_programs ${name}_replay)
    endif()
  endif()
endfunction()
if(NOT TARGET fuzzers)
  add_custom_target(fuzzers)
endif()
file(REMOVE ${CMAKE_BINARY_DIR}/fuzzers.txt)
