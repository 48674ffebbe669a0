# Drovik's editor drawn without a display: opening to the first frame, a frame with every meter moving at screen
# scale 1 and 2 (and at each GUI Scale on both), and the CPU an open editor takes at 60 frames per second with
# audio running.
if(TARGET headless_editor)
  drovik_add_benchmark(editor_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/editor_bench.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/editor_scale_bench.cpp
    LIBS drovik_entry headless_editor)
  target_compile_definitions(editor_bench PRIVATE DROVIK_BUNDLE_DIR="${DROVIK_BUNDLE_DIR}")
endif()
# The same editor in a host's X11 window with audio in real time, loaded from the bundle as a host loads it.
find_package(X11)
if(TARGET host_tools AND TARGET drovik_vst AND TARGET X11::X11)
  drovik_add_benchmark(editor_window_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/editor_window_bench.cpp
    LIBS host_tools X11::X11)
  target_compile_definitions(editor_window_bench PRIVATE DROVIK_BUNDLE="${CMAKE_BINARY_DIR}/Drovik.vst")
  add_dependencies(editor_window_bench drovik_vst)
endif()
# How long a host's calls wait while the editor draws, and how soon a click shows, at each GUI Scale.
find_package(X11 COMPONENTS Xtst)
if(TARGET host_tools AND TARGET drovik_vst AND TARGET X11::X11 AND TARGET X11::Xtst)
  drovik_add_benchmark(editor_host_round_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/editor_host_round_bench.cpp
    LIBS host_tools X11::X11 X11::Xtst)
  target_compile_definitions(editor_host_round_bench PRIVATE DROVIK_BUNDLE="${CMAKE_BINARY_DIR}/Drovik.vst")
  add_dependencies(editor_host_round_bench drovik_vst)
endif()
