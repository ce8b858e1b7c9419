korvel_add_test(xml_tests
  SOURCES
    ${CMAKE_SOURCE_DIR}/tests/xml/XMLTokenizerTests.cpp
    ${CMAKE_SOURCE_DIR}/tests/xml/XMLParserLoadTests.cpp
    ${CMAKE_SOURCE_DIR}/tests/xml/XMLParserSaveTests.cpp
    ${CMAKE_SOURCE_DIR}/tests/xml/XMLItemTests.cpp
    ${CMAKE_SOURCE_DIR}/tests/xml/XMLPreferencesFileTests.cpp
  LIBS korvel_xml)
