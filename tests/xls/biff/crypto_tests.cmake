add_library(korvel_crypto_testkit STATIC ${CMAKE_SOURCE_DIR}/tests/xls/biff/XLSTestEncryptor.cpp)
target_link_libraries(korvel_crypto_testkit PUBLIC korvel_crypto)

add_executable(crypto_encrypt_tool ${CMAKE_SOURCE_DIR}/tests/xls/biff/crypto_encrypt_tool.cpp)
target_link_libraries(crypto_encrypt_tool PRIVATE korvel_crypto_testkit korvel_storage)

korvel_add_test(crypto_tests
    SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/crypto_primitives_test.cpp
            ${CMAKE_SOURCE_DIR}/tests/xls/biff/crypto_decrypter_test.cpp
            ${CMAKE_SOURCE_DIR}/tests/xls/biff/crypto_fixture_test.cpp
            ${CMAKE_SOURCE_DIR}/tests/xls/biff/crypto_roundtrip_test.cpp
    LIBS korvel_crypto_testkit korvel_storage)

# Files from the test encryptor must decrypt, under independent programs, to
# the workbook they were made from. Exit code 77 means a tool is missing.
foreach(method xor rc4 cryptoapi40 cryptoapi128)
  add_test(NAME crypto_independent_${method}
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/xls/biff/crypto_independent_check.py
                   $<TARGET_FILE:crypto_encrypt_tool> ${method})
  set_tests_properties(crypto_independent_${method} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()

# The same with workbooks of other producers (INDEX, DBCELL, EXTSST and
# summary streams present), re-encrypted as whole compound documents.
foreach(pair xor:biff8-gnumeric xor:biff5-gnumeric-biff7 rc4:biff8-libreoffice cryptoapi40:biff8-gnumeric
             cryptoapi128:biff8-libreoffice)
  string(REPLACE ":" ";" parts ${pair})
  list(GET parts 0 method)
  list(GET parts 1 plain)
  add_test(NAME crypto_independent_${method}_${plain}
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/xls/biff/crypto_independent_check.py
                   $<TARGET_FILE:crypto_encrypt_tool> ${method} ${KORVEL_TEST_DATA}/crypto/${plain}.xls)
  set_tests_properties(crypto_independent_${method}_${plain} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
