# CMake generated Testfile for 
# Source directory: /work/wt/core/tests/shim/foundation
# Build directory: /work/wt/core/build-asan/tests/shim/foundation
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[shim_foundation_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/shim/foundation/shim_foundation_test")
set_tests_properties([=[shim_foundation_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/shim/foundation/CMakeLists.txt;1;drovik_add_test;/work/wt/core/tests/shim/foundation/CMakeLists.txt;0;")
add_test([=[shim_foundation_threaded_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/shim/foundation/shim_foundation_threaded_test")
set_tests_properties([=[shim_foundation_threaded_test]=] PROPERTIES  LABELS "threaded" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/shim/foundation/CMakeLists.txt;4;drovik_add_test;/work/wt/core/tests/shim/foundation/CMakeLists.txt;0;")
