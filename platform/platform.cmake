file(GLOB KORVEL_PLATFORM_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/platform/*.cpp ${CMAKE_SOURCE_DIR}/platform/posix/*.cpp)
add_library(korvel_platform STATIC ${KORVEL_PLATFORM_SOURCES})
find_package(Threads REQUIRED)
target_link_libraries(korvel_platform PUBLIC korvel_common Threads::Threads)
