# Preset files from the outside world: the XML preset reader of the effect, as loading and as rescanning use it.
drovik_add_fuzzer(xml_preset SOURCES ${CMAKE_CURRENT_LIST_DIR}/xml_preset.cpp LIBS effect MAX_LEN 262144)
