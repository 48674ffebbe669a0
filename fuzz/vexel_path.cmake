drovik_add_fuzzer(vexel_path SOURCES ${CMAKE_CURRENT_LIST_DIR}/vexel_path.cpp LIBS graphics_vexel test_support_headers)
