# The platform layer: idle cost of an open editor and the time to open and close it (X11 when DISPLAY is set).
if(TARGET platform_mac AND TARGET graphics_test_support)
  drovik_add_benchmark(platform_bench SOURCES platform_bench.cpp LIBS platform_mac graphics_test_support)
  target_include_directories(platform_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/platform/mac)
endif()
