korvel_add_fuzzer(xlsx_reader_fuzz
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/XlsxReaderFuzz.cpp
  LIBS korvel_celldump korvel_xlsx)
