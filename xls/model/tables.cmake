# The shared string table and the style tables of the workbook model.
add_library(korvel_tables STATIC
    ${CMAKE_SOURCE_DIR}/xls/model/XLSStringTable.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSStringTableSST.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSTextStore.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSStyleColor.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSStyleFonts.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSStyleBorders.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSNumFormats.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSStyleNames.cpp
    ${CMAKE_SOURCE_DIR}/xls/model/XLSStyles.cpp)
target_link_libraries(korvel_tables PUBLIC korvel_records korvel_platform)
