korvel_add_fuzzer(cfb_fuzz
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/CfbFuzz.cpp
  LIBS korvel_storage)
