korvel_add_test(korvel_xlsx_parts_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/xlsx/ZipArchiveTest.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/xlsx/XMLReaderTest.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/xlsx/PackagePartsTest.cpp
  LIBS korvel_xlsx_parts)
