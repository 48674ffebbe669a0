# The filter library's costs: designing, processing, and building filter objects.
drovik_add_benchmark(filters_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/filters_bench.cpp LIBS dsp_filters)
drovik_add_benchmark(filters_stage_bank_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/filters_stage_bank_bench.cpp
  LIBS effect_dsp)
