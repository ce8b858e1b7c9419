korvel_add_test(common_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/common/TextUtilTest.cpp
  LIBS korvel_common)
