# A font from outside through the whole text chain: the loader's check, the renderer's font stash and the glyph
# readers, measuring and drawing a line.
drovik_add_fuzzer(font_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/font_text.cpp LIBS shim_coretext graphics_vexel test_support_headers
  MAX_LEN 4096)
