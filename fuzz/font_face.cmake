# Font files from the outside world: the check that a face can be drawn, before any font is handed to the renderer.
drovik_add_fuzzer(font_face SOURCES ${CMAKE_CURRENT_LIST_DIR}/font_face.cpp LIBS shim_coretext)
