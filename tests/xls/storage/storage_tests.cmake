# Compound documents with streams out of order, for the readers' tests and fuzzing.
add_library(korvel_scattered_document STATIC ${CMAKE_SOURCE_DIR}/tests/xls/storage/ScatteredDocument.cpp)

korvel_add_test(storage_tests
  SOURCES
    ${CMAKE_SOURCE_DIR}/tests/xls/storage/StorageTestSupport.cpp
    ${CMAKE_SOURCE_DIR}/tests/xls/storage/CompoundWriterTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/xls/storage/CompoundReaderTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/xls/storage/CompoundCorruptTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/xls/storage/CompoundNamesTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/xls/storage/XLSFileItemTest.cpp
  LIBS korvel_storage korvel_scattered_document)
