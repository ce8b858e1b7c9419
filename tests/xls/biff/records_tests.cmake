korvel_add_test(korvel_records_tests
    SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/biff/records_blob_test.cpp
            ${CMAKE_SOURCE_DIR}/tests/xls/biff/records_list_test.cpp
    LIBS korvel_records)
