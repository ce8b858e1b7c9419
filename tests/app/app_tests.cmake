korvel_add_test(app_tests
  SOURCES
    ${CMAKE_SOURCE_DIR}/tests/app/DeviceRecordTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/DeviceNamesTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/PreferencesFileTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/DriverTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/DeviceListReadersTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/CellTextTest.cpp
  LIBS korvel_app)
target_compile_definitions(app_tests PRIVATE KORVEL_BINARY="$<TARGET_FILE:korvel>")
add_dependencies(app_tests korvel)

# The conversions end to end through the korvel binary, checked with xlrd/xlwt.
korvel_add_test(conversion_tests
  SOURCES
    ${CMAKE_SOURCE_DIR}/tests/app/ConversionTestSupport.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/ToWorkbookTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/ToMobileTest.cpp
  LIBS korvel_common)
target_compile_definitions(conversion_tests PRIVATE KORVEL_BINARY="$<TARGET_FILE:korvel>")
add_dependencies(conversion_tests korvel)
