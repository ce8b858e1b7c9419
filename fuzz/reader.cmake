korvel_add_fuzzer(fuzz_reader
    SOURCES ${CMAKE_SOURCE_DIR}/fuzz/ReaderFuzz.cpp
    LIBS korvel_io)
