drovik_add_fuzzer(program_files_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/program_files.cpp LIBS core)
