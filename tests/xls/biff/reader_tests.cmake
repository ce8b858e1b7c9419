korvel_add_test(korvel_biff_reader_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/reader_test_support.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/biff/reader_records_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/biff/reader_open_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/biff/reader_roundtrip_test.cpp
  LIBS korvel_io)

korvel_add_test(korvel_biff_reader_crypto_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/reader_crypto_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/biff/reader_stream_pieces_test.cpp
  LIBS korvel_io korvel_crypto_testkit korvel_scattered_document)
