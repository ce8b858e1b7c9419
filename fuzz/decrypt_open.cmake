# Encrypted workbooks through OpenStream; seeds from fuzz/make_decrypt_open_corpus.py.
korvel_add_fuzzer(fuzz_decrypt_open
    SOURCES ${CMAKE_SOURCE_DIR}/fuzz/DecryptOpenFuzz.cpp
    LIBS korvel_io)
