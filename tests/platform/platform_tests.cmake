korvel_add_test(platform_tests
  SOURCES
    ${CMAKE_SOURCE_DIR}/tests/platform/CodePageTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/platform/CheckedFileTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/platform/MessageBoxTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/platform/FileSystemTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/platform/FileBytesTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/platform/BulkMemoryTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/platform/ReadAheadStreamTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/platform/BlockPipeTest.cpp
  LIBS korvel_platform)
