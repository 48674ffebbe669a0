# The set-chunk path of the plug-in: framework header, RIFF layout, XML payload, preset lists.
drovik_add_fuzzer(state_chunk_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/state_chunk.cpp LIBS effect MAX_LEN 262144)
