# CMake generated Testfile for 
# Source directory: /work/wt/engine/tests/shim
# Build directory: /work/wt/engine/build-asan/tests/shim
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[shim_vst2_layout_test]=] "/work/wt/engine/cmake/with-temp-home.sh" "/work/wt/engine/build-asan/tests/shim/shim_vst2_layout_test")
set_tests_properties([=[shim_vst2_layout_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/engine/cmake/Drovik.cmake;48;add_test;/work/wt/engine/tests/shim/CMakeLists.txt;1;drovik_add_test;/work/wt/engine/tests/shim/CMakeLists.txt;0;")
subdirs("foundation")
