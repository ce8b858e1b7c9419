# The Office Open XML workbook reader: package parts into the workbook model.
# XLSXPackageOpen.cpp is the package branch of the workbook's Open (declared
# in xls/biff/XLSFileFormat.h).
add_library(korvel_xlsx STATIC
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXValues.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXElements.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXRelations.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXStyles.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXPlainCell.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXSheetDataParser.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXSheetReader.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXReader.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXPackageOpen.cpp)
target_link_libraries(korvel_xlsx PUBLIC korvel_xlsx_parts korvel_model)
