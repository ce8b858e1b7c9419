file(GLOB KORVEL_APP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/*.cpp)
list(REMOVE_ITEM KORVEL_APP_SOURCES ${CMAKE_SOURCE_DIR}/app/main.cpp)
add_library(korvel_app STATIC ${KORVEL_APP_SOURCES})
target_link_libraries(korvel_app PUBLIC korvel_io korvel_model korvel_xml korvel_platform korvel_common)

add_executable(korvel ${CMAKE_SOURCE_DIR}/app/main.cpp)
target_link_libraries(korvel PRIVATE korvel_app)
korvel_static_runtime(korvel)
