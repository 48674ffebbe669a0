# The graphics context's resource costs: bitmap lookup with a warm and a cold cache, and the drop shadow's blur of
# an editor-sized layer. The context is the tests' fake platform over the recording back end, which decodes real
# PNG files.
# A build with the tests links their compiled doubles; one without compiles the doubles itself.
find_library(DROVIK_STB_LIBRARY stb REQUIRED)
set(graphics_doubles ${CMAKE_SOURCE_DIR}/tests/graphics/support)
if(TARGET graphics_decoding_test_support)
  drovik_add_benchmark(graphics_resources_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphics_resources_bench.cpp
    LIBS graphics_decoding_test_support)
else()
  drovik_add_benchmark(graphics_resources_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphics_resources_bench.cpp ${graphics_doubles}/recording_backend.cpp
      ${graphics_doubles}/fake_platform.cpp ${graphics_doubles}/decoding_backend.cpp
    LIBS graphics ${DROVIK_STB_LIBRARY})
endif()
if(TARGET graphics_resources_bench)
  target_include_directories(graphics_resources_bench PRIVATE ${graphics_doubles})
endif()
