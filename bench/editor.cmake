# Drovik's editor drawn without a display: opening to the first frame, a frame with every meter moving at screen
# scale 1 and 2, and the CPU an open editor takes at 60 frames per second with audio running.
if(TARGET headless_editor)
  drovik_add_benchmark(editor_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/editor_bench.cpp
    LIBS drovik_entry headless_editor)
  target_compile_definitions(editor_bench PRIVATE DROVIK_BUNDLE_DIR="${DROVIK_BUNDLE_DIR}")
endif()
