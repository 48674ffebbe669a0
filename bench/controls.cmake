# The in-editor popup menu opening with 200 items (layout and first frame) against the recording back end, and,
# when the headless graphics context is built, the stock-control gallery's full frame.
if(TARGET graphics_test_support)
  drovik_add_benchmark(controls_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/controls_bench.cpp
    LIBS controls graphics_test_support)
endif()
if(TARGET controls_gallery)
  drovik_add_benchmark(controls_gallery_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/controls_gallery_bench.cpp
    LIBS controls_gallery)
endif()
