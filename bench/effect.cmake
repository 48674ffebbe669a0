# CPU cost of the saturation effect per second of audio: defaults, factory presets and the worst case, at 1x, 2x, 4x.
drovik_add_benchmark(effect_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/effect_bench.cpp LIBS effect)
