korvel_add_test(writer_rk_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/writer_rk_test.cpp
          ${CMAKE_SOURCE_DIR}/xls/biff/XLSRKEncoding.cpp)
