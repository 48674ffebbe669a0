# The framework's host surface: audio callbacks with the effect at its defaults, and state chunks, hostile ones too.
drovik_add_benchmark(core_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/core_bench.cpp LIBS effect test_support_headers)
