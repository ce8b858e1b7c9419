add_library(korvel_model STATIC
    ${CMAKE_SOURCE_DIR}/xls/model/Variant.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/AVLTree.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSCellRef.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSRowList.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSColumnList.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSMergedAreas.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSCellHeap.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSFormula.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSRange.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSCellValue.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSWorksheet.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSWorkSheets.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSWorkbook.cpp)
target_link_libraries(korvel_model PUBLIC korvel_tables korvel_platform korvel_common)
