# CMake generated Testfile for 
# Source directory: /work/wt/core/tests/core
# Build directory: /work/wt/core/build-asan/tests/core
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[core_lib_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/core/core_lib_test")
set_tests_properties([=[core_lib_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/core/CMakeLists.txt;1;drovik_add_test;/work/wt/core/tests/core/CMakeLists.txt;0;")
add_test([=[core_param_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/core/core_param_test")
set_tests_properties([=[core_param_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/core/CMakeLists.txt;2;drovik_add_test;/work/wt/core/tests/core/CMakeLists.txt;0;")
add_test([=[core_state_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/core/core_state_test")
set_tests_properties([=[core_state_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/core/CMakeLists.txt;3;drovik_add_test;/work/wt/core/tests/core/CMakeLists.txt;0;")
add_test([=[core_host_id_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/core/core_host_id_test")
set_tests_properties([=[core_host_id_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/core/CMakeLists.txt;4;drovik_add_test;/work/wt/core/tests/core/CMakeLists.txt;0;")
add_test([=[core_vst2_dispatcher_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/core/core_vst2_dispatcher_test")
set_tests_properties([=[core_vst2_dispatcher_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/core/CMakeLists.txt;5;drovik_add_test;/work/wt/core/tests/core/CMakeLists.txt;0;")
add_test([=[core_vst2_processor_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/core/core_vst2_processor_test")
set_tests_properties([=[core_vst2_processor_test]=] PROPERTIES  LABELS "threaded" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/core/CMakeLists.txt;6;drovik_add_test;/work/wt/core/tests/core/CMakeLists.txt;0;")
add_test([=[core_vst2_alloc_test]=] "/work/wt/core/cmake/with-temp-home.sh" "/work/wt/core/build-asan/tests/core/core_vst2_alloc_test")
set_tests_properties([=[core_vst2_alloc_test]=] PROPERTIES  LABELS "" _BACKTRACE_TRIPLES "/work/wt/core/cmake/Drovik.cmake;48;add_test;/work/wt/core/tests/core/CMakeLists.txt;8;drovik_add_test;/work/wt/core/tests/core/CMakeLists.txt;0;")
