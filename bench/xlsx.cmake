add_executable(korvel_xlsx_read_bench ${CMAKE_SOURCE_DIR}/bench/XlsxReadBench.cpp)
target_link_libraries(korvel_xlsx_read_bench PRIVATE korvel_io)
