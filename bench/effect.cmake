# CPU cost of the saturation effect's signal path.
drovik_add_benchmark(effect_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/effect_bench.cpp LIBS effect)
