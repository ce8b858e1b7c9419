add_library(korvel_crypto STATIC
    ${CMAKE_SOURCE_DIR}/xls/biff/MD5Hash.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/SHA1Hash.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/RC4.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSDecrypterXOR.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSBlockRC4Decrypter.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSDecrypterRC4.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSDecrypterRC4CryptoAPI.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSStartDecryption.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSRecordEncryption.cpp)
target_link_libraries(korvel_crypto PUBLIC korvel_common korvel_platform)
