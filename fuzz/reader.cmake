# The helper that lays a stream out in scattered sectors lives with the tests.
add_library(korvel_scattered_document STATIC ${CMAKE_SOURCE_DIR}/tests/xls/storage/ScatteredDocument.cpp)

korvel_add_fuzzer(fuzz_reader
    SOURCES ${CMAKE_SOURCE_DIR}/fuzz/ReaderFuzz.cpp
    LIBS korvel_io korvel_scattered_document)
