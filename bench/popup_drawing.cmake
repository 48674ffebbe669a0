# Our small windows drawn by the editor's renderer: a screen-high menu panel and the text field.
if(TARGET platform_mac)
  drovik_add_benchmark(popup_drawing_bench SOURCES popup_drawing_bench.cpp LIBS platform_mac)
endif()
