find_package(ZLIB REQUIRED)
add_library(korvel_xlsx_parts STATIC
  ${CMAKE_SOURCE_DIR}/xls/xlsx/ZipCrc32.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/ZipRecords.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/ZipNames.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/ZipSubStream.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/ZipInflateStream.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/ZipArchive.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XLSXFileReader.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XMLScaner.cpp
  ${CMAKE_SOURCE_DIR}/xls/xlsx/XMLReader.cpp)
target_link_libraries(korvel_xlsx_parts PUBLIC korvel_platform korvel_common ZLIB::ZLIB)
