# The vector renderer's costs: tessellation of fills and strokes, and text layout with a warm and a cold atlas.
drovik_add_benchmark(vexel_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/vexel_bench.cpp LIBS graphics_vexel test_support_headers)
