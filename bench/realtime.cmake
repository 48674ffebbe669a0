# The longest audio block while a host restores state, switches oversampling and moves parameters.
drovik_add_benchmark(realtime_blocks SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/realtime_blocks.cpp
  LIBS "$<LINK_GROUP:RESCAN,effect,core,graphics,controls,drovik_entry_without_editor>")
