korvel_add_fuzzer(device_record_fuzz
  SOURCES ${CMAKE_SOURCE_DIR}/fuzz/DeviceRecordFuzz.cpp
  LIBS korvel_app)
