korvel_add_fuzzer(zip_parts_fuzz
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/ZipPartsFuzz.cpp
  LIBS korvel_xlsx_parts)
korvel_add_fuzzer(xml_pull_fuzz
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/XmlPullFuzz.cpp
  LIBS korvel_xlsx)
