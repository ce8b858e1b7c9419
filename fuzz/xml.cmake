korvel_add_fuzzer(xml_tokenizer_fuzz
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/XmlTokenizerFuzz.cpp
  LIBS korvel_xml)
korvel_add_fuzzer(xml_parser_fuzz
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/XmlParserFuzz.cpp
  LIBS korvel_xml)
