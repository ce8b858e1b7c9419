# Password-protected workbooks opened end to end: files of the test encryptor
# for every method, read through Open, and hand-made encrypted streams.
korvel_add_test(decrypt_open_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/reader_test_support.cpp
          ${CMAKE_SOURCE_DIR}/tests/xls/biff/decrypt_open_test.cpp
  LIBS korvel_io korvel_crypto_testkit)

foreach(pair xor:biff8-libreoffice xor:biff8-xlwt xor:biff5-gnumeric-biff7
             rc4:biff8-libreoffice rc4:biff8-gnumeric rc4:devices-libreoffice-csv rc4:date1904-libreoffice
             cryptoapi40:biff8-xlwt cryptoapi40:biff8-gnumeric
             cryptoapi128:biff8-libreoffice cryptoapi128:devices-libreoffice-csv)
  string(REPLACE ":" ";" parts ${pair})
  list(GET parts 0 method)
  list(GET parts 1 plain)
  set(extra)
  if(plain STREQUAL "biff5-gnumeric-biff7")
    # Gnumeric wrote '?' for characters code page 1252 lacks; the model
    # keeps the default name for that sheet.
    set(extra --renamed-sheet 3=Sheet3)
  endif()
  add_test(NAME decrypt_open_${method}_${plain}
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/xls/biff/decrypt_open_check.py
                   $<TARGET_FILE:xlsdump> $<TARGET_FILE:crypto_encrypt_tool> ${method}
                   ${KORVEL_TEST_DATA}/fixtures/${plain}.xls ${extra})
  set_tests_properties(decrypt_open_${method}_${plain} PROPERTIES TIMEOUT 300)
endforeach()
