# Instances that are loaded and resumed but idle: process CPU time and the cost of a framework-timer tick.
drovik_add_benchmark(idle_instances_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/idle_instances_bench.cpp LIBS effect)
