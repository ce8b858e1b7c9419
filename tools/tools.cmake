# xlsdump: the cells of any workbook as JSON lines, for checking the readers
# against independent ones.
add_library(korvel_celldump STATIC ${CMAKE_SOURCE_DIR}/tools/XLSCellDump.cpp)
target_link_libraries(korvel_celldump PUBLIC korvel_io korvel_model korvel_common)

add_executable(xlsdump ${CMAKE_SOURCE_DIR}/tools/xlsdump.cpp)
target_link_libraries(xlsdump PRIVATE korvel_celldump)
korvel_static_runtime(xlsdump)
