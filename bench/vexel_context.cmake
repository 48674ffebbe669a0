# The whole drawing chain (graphics context, path-based drawing, Vexel, the CPU Metal stand-in) drawing an
# editor-sized frame headless, and text layout through the graphics context.
if(TARGET graphics_test_support)
  find_library(DROVIK_STB_LIBRARY stb REQUIRED)
  drovik_add_benchmark(vexel_context_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/vexel_context_bench.cpp
    LIBS platform_headless graphics_test_support ${DROVIK_STB_LIBRARY})
endif()
