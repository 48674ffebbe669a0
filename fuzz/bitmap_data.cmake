# Images from outside (PNG, JPEG) through the renderer's decoding, as bitmaps loaded from data reach it.
drovik_add_fuzzer(bitmap_data SOURCES ${CMAKE_CURRENT_LIST_DIR}/bitmap_data.cpp LIBS graphics_vexel test_support_headers
  MAX_LEN 8192)
