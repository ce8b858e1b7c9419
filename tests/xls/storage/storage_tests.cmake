korvel_add_test(storage_tests
  SOURCES
    ${CMAKE_SOURCE_DIR}/tests/xls/storage/StorageTestSupport.cpp
    ${CMAKE_SOURCE_DIR}/tests/xls/storage/CompoundWriterTest.cpp
  LIBS korvel_storage)
