korvel_add_test(xml_tests
  SOURCES
    ${CMAKE_SOURCE_DIR}/tests/xml/XMLTokenizerTests.cpp
  LIBS korvel_xml)
