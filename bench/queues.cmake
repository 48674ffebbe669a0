# The editor queues and the framework timer's drain.
drovik_add_benchmark(queues_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/queues_bench.cpp LIBS core)
