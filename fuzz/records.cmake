korvel_add_fuzzer(records_fuzz
    SOURCES ${CMAKE_SOURCE_DIR}/fuzz/RecordsFuzz.cpp
    LIBS korvel_records)
