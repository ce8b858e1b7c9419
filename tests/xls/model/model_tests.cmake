korvel_add_test(korvel_model_tests
    SOURCES
        ${CMAKE_SOURCE_DIR}/tests/xls/model/model_avl_test.cpp
        ${CMAKE_SOURCE_DIR}/tests/xls/model/model_cellheap_test.cpp
        ${CMAKE_SOURCE_DIR}/tests/xls/model/model_bulkarray_test.cpp
        ${CMAKE_SOURCE_DIR}/tests/xls/model/model_merged_test.cpp
        ${CMAKE_SOURCE_DIR}/tests/xls/model/model_range_test.cpp
        ${CMAKE_SOURCE_DIR}/tests/xls/model/model_workbook_test.cpp
    LIBS korvel_io korvel_model)
