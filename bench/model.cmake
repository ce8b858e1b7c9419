add_executable(korvel_model_bench ${CMAKE_SOURCE_DIR}/bench/ModelBench.cpp)
target_link_libraries(korvel_model_bench PRIVATE korvel_model benchmark::benchmark)
