korvel_add_test(writer_rk_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/writer_rk_test.cpp
  LIBS korvel_io)
korvel_add_test(writer_records_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/writer_records_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/biff/writer_test_support.cpp
  LIBS korvel_io)
korvel_add_test(writer_oracle_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/writer_oracle_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/biff/writer_test_support.cpp
          ${CMAKE_SOURCE_DIR}/bench/BenchData.cpp
  LIBS korvel_io)
korvel_add_test(writer_saveas_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/writer_saveas_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/biff/writer_test_support.cpp
  LIBS korvel_io)
