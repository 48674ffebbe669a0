# Font files from the outside world: the reader of sfnt files and collections that the platform's font loader uses.
drovik_add_fuzzer(font_file_reader SOURCES ${CMAKE_CURRENT_LIST_DIR}/font_file_reader.cpp LIBS graphics)
