# The Metal renderer of Vexel on the CPU stand-in: frame times of an editor-like board, the copy to the drawable,
# and a small dirty region.
drovik_add_benchmark(metal_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/metal_bench.cpp LIBS graphics_metal)
