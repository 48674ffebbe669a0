# SVG documents from the outside world: the whole parser, from the tokenizer to the final scaling.
drovik_add_fuzzer(svg_parse SOURCES ${CMAKE_CURRENT_LIST_DIR}/svg_parse.cpp LIBS graphics_svg)
