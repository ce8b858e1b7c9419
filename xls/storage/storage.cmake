file(GLOB KORVEL_STORAGE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/xls/storage/*.cpp)
add_library(korvel_storage STATIC ${KORVEL_STORAGE_SOURCES})
target_link_libraries(korvel_storage PUBLIC korvel_platform)
