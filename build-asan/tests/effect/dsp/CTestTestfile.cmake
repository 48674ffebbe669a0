# CMake generated Testfile for 
# Source directory: /work/wt/engine/tests/effect/dsp
# Build directory: /work/wt/engine/build-asan/tests/effect/dsp
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[effect_dsp_test]=] "/work/wt/engine/cmake/with-temp-home.sh" "/work/wt/engine/build-asan/tests/effect/dsp/effect_dsp_test")
set_tests_properties([=[effect_dsp_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/engine/cmake/Drovik.cmake;48;add_test;/work/wt/engine/tests/effect/dsp/CMakeLists.txt;1;drovik_add_test;/work/wt/engine/tests/effect/dsp/CMakeLists.txt;0;")
