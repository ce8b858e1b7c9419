# xlsdump against the independent reader's dumps of every .xls fixture.
if(KORVEL_TESTS)
  file(GLOB KORVEL_XLS_FIXTURES ${CMAKE_SOURCE_DIR}/tests/data/fixtures/*.xls)
  foreach(fixture ${KORVEL_XLS_FIXTURES})
    get_filename_component(name ${fixture} NAME_WE)
    set(extra)
    # The VelvetSweatshop workbook opens without a password: that one is the
    # published default, always tried first.
    if(name MATCHES "secret$")
      set(extra --password secret)
    elseif(name MATCHES "unicode-pw$")
      set(extra --password "pässwörd€")
    elseif(name MATCHES "pw15$")
      set(extra --password 0123456789abcde)
    elseif(name STREQUAL "biff5-gnumeric-biff7")
      # Gnumeric wrote '?' for the characters code page 1252 lacks; the model
      # refuses that name and keeps the default one.
      set(extra --renamed-sheet 3=Sheet3)
    endif()
    add_test(NAME xlsdump_fixture_${name}
             COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/tools/xlsdump_fixture_check.py
                     $<TARGET_FILE:xlsdump> ${fixture} ${extra})
  endforeach()
endif()

korvel_add_test(celldump_format_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/tools/celldump_format_test.cpp
  LIBS korvel_celldump)
