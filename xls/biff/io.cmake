# The readers and writers of workbook files, and the workbook's load/save
# dispatch. Zip packages go to the Office Open XML reader of korvel_xlsx
# (ReadPackageWorkbook, defined in xls/xlsx/XLSXPackageOpen.cpp).
add_library(korvel_io STATIC
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSWorkbookIO.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSFileFormat.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSReadStream.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSBackgroundDecryption.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSRecordText.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSSSTReader.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSReader.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSReaderGlobals.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSReaderStyles.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSSheetReader.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSRKEncoding.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSRecordBuffer.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSCellBlockWriter.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSWorksheetWriter.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSDrawingGroupRecord.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSWorkbookWriter.cpp)
find_package(Threads REQUIRED)
target_link_libraries(korvel_io PUBLIC korvel_model korvel_records korvel_storage korvel_crypto korvel_xlsx Threads::Threads)
