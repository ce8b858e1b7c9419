# The readers and writers of workbook files, and the workbook's load/save
# dispatch. The *Stub.cpp source stands in for the readers until they are
# built; it is removed from this list when its real implementation is added.
add_library(korvel_io STATIC
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSWorkbookIO.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSWorkbookReaderStub.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSRKEncoding.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSRecordBuffer.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSCellBlockWriter.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSWorksheetWriter.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSDrawingGroupRecord.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSWorkbookWriter.cpp)
target_link_libraries(korvel_io PUBLIC korvel_model korvel_records korvel_storage)
