# CMake generated Testfile for 
# Source directory: /work/wt/core/tests/shim
# Build directory: /work/wt/core/build-asan/tests/shim
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[shim_vst2_layout_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/shim/shim_vst2_layout_test")
set_tests_properties([=[shim_vst2_layout_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/shim/CMakeLists.txt;1;drovik_add_test;/work/wt/core/tests/shim/CMakeLists.txt;0;")
subdirs("foundation")
