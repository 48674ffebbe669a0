# The filter library's costs: designing, processing, and building filter objects.
drovik_add_benchmark(filters_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/filters_bench.cpp LIBS dsp_filters)
drovik_add_benchmark(filters_stage_bank_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/filters_stage_bank_bench.cpp
  LIBS effect_dsp)
# Instance creation of the plug-in, with its stage banks and in a build without them.
drovik_add_benchmark(filters_instance_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/filters_instance_bench.cpp
  LIBS core drovik_entry_without_editor)
drovik_add_benchmark(filters_instance_without_banks_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/filters_instance_bench.cpp
  ${CMAKE_SOURCE_DIR}/effect/DrovikEntryWithoutEditor.cpp
  LIBS core effect_without_stage_banks)
