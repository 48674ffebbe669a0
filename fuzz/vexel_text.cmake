drovik_add_fuzzer(vexel_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/vexel_text.cpp LIBS graphics_vexel test_support_headers)
