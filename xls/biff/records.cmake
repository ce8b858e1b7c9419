# The BIFF record layer: blobs, record lists, the record writer and splitter,
# record ids and the record dumper.
add_library(korvel_records STATIC
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSBlob.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSBlobList.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSBiffWriter.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSRecordIds.cpp
    ${CMAKE_SOURCE_DIR}/xls/biff/XLSRecordDump.cpp)
target_link_libraries(korvel_records PUBLIC korvel_platform korvel_common)
