korvel_add_test(korvel_tables_tests
    SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/model/tables_test_util.cpp
            ${CMAKE_SOURCE_DIR}/tests/xls/model/tables_string_test.cpp
            ${CMAKE_SOURCE_DIR}/tests/xls/model/tables_styles_test.cpp
    LIBS korvel_tables)
korvel_add_test(korvel_tables_alloc_tests
    SOURCES ${CMAKE_SOURCE_DIR}/tests/xls/model/tables_alloc_test.cpp
    LIBS korvel_tables)
