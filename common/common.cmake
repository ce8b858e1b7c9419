file(GLOB KORVEL_COMMON_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/common/*.cpp)
add_library(korvel_common STATIC ${KORVEL_COMMON_SOURCES})
target_include_directories(korvel_common PUBLIC ${CMAKE_SOURCE_DIR})
