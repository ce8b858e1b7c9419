korvel_add_test(korvel_xlsx_reader_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/xlsx/reader_values_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/xlsx/reader_package_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/xlsx/plain_cell_test.cpp
  LIBS korvel_io korvel_xlsx)
korvel_add_test(korvel_xlsx_fixture_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/xlsx/reader_fixtures_test.cpp
  LIBS korvel_celldump)
