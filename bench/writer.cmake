add_executable(korvel_writer_bench ${CMAKE_SOURCE_DIR}/bench/WriterBench.cpp ${CMAKE_SOURCE_DIR}/bench/BenchData.cpp)
target_link_libraries(korvel_writer_bench PRIVATE korvel_io)
korvel_static_runtime(korvel_writer_bench)
