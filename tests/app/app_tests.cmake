korvel_add_test(app_tests
  SOURCES
    ${CMAKE_SOURCE_DIR}/tests/app/DeviceRecordTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/DeviceNamesTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/PreferencesFileTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/DriverTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/app/DeviceListReadersTest.cpp
  LIBS korvel_app)
target_compile_definitions(app_tests PRIVATE KORVEL_BINARY="$<TARGET_FILE:korvel>")
add_dependencies(app_tests korvel)
