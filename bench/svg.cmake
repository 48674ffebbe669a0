# Parsing speed of the SVG parser over icons and a large generated document.
drovik_add_benchmark(svg_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/svg_bench.cpp LIBS graphics_svg)
