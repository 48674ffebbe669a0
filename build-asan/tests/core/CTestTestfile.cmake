# CMake generated Testfile for 
# Source directory: /work/wt/engine/tests/core
# Build directory: /work/wt/engine/build-asan/tests/core
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[core_lib_test]=] "/work/wt/engine/cmake/with-temp-home.sh" "/work/wt/engine/build-asan/tests/core/core_lib_test")
set_tests_properties([=[core_lib_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/engine/cmake/Drovik.cmake;48;add_test;/work/wt/engine/tests/core/CMakeLists.txt;1;drovik_add_test;/work/wt/engine/tests/core/CMakeLists.txt;0;")
add_test([=[core_param_test]=] "/work/wt/engine/cmake/with-temp-home.sh" "/work/wt/engine/build-asan/tests/core/core_param_test")
set_tests_properties([=[core_param_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/engine/cmake/Drovik.cmake;48;add_test;/work/wt/engine/tests/core/CMakeLists.txt;2;drovik_add_test;/work/wt/engine/tests/core/CMakeLists.txt;0;")
add_test([=[core_state_test]=] "/work/wt/engine/cmake/with-temp-home.sh" "/work/wt/engine/build-asan/tests/core/core_state_test")
set_tests_properties([=[core_state_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/engine/cmake/Drovik.cmake;48;add_test;/work/wt/engine/tests/core/CMakeLists.txt;3;drovik_add_test;/work/wt/engine/tests/core/CMakeLists.txt;0;")
add_test([=[core_host_id_test]=] "/work/wt/engine/cmake/with-temp-home.sh" "/work/wt/engine/build-asan/tests/core/core_host_id_test")
set_tests_properties([=[core_host_id_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/engine/cmake/Drovik.cmake;48;add_test;/work/wt/engine/tests/core/CMakeLists.txt;4;drovik_add_test;/work/wt/engine/tests/core/CMakeLists.txt;0;")
