# Release builds (-DCMAKE_BUILD_TYPE=Release) give the figures worth quoting:
#   python3 /path/to/bench/lib/timeit.py -n 7 -- korvel_reader_bench inputs/wide.xls
add_executable(korvel_reader_bench ${CMAKE_SOURCE_DIR}/bench/ReaderBench.cpp)
target_link_libraries(korvel_reader_bench PRIVATE korvel_io)
korvel_static_runtime(korvel_reader_bench)
