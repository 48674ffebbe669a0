# Building a directory menu (scan, sorted insertion, pruning) over a tree of 5,000 files.
drovik_add_benchmark(dir_menu_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/dir_menu_bench.cpp LIBS graphics)
