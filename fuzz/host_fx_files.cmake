# Program and bank files as the test host reads them: any bytes, decoded, and when accepted re-encoded and decoded
# again to the same content.
drovik_add_fuzzer(host_fx_files SOURCES ${CMAKE_CURRENT_LIST_DIR}/host_fx_files.cpp LIBS host_tools)
