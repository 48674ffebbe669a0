# The graphics context's frame costs against the recording back end of the graphics tests: one frame tick of a
# full editor with some controls dirty, and the tidying of a long dirty list.
if(TARGET graphics_test_support)
  drovik_add_benchmark(graphics_frame_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphics_frame_bench.cpp
    LIBS graphics_test_support)
endif()
