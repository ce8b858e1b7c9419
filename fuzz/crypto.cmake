korvel_add_fuzzer(fuzz_crypto
    SOURCES ${CMAKE_SOURCE_DIR}/fuzz/CryptoFuzz.cpp
    LIBS korvel_crypto)
