# Opening the wide workbook plain and RC4-encrypted; figures from a Release build:
#   korvel_decrypt_bench 9
add_executable(korvel_decrypt_bench ${CMAKE_SOURCE_DIR}/bench/DecryptBench.cpp ${CMAKE_SOURCE_DIR}/bench/BenchData.cpp
                                    ${CMAKE_SOURCE_DIR}/tests/xls/biff/XLSTestEncryptor.cpp)
target_link_libraries(korvel_decrypt_bench PRIVATE korvel_io korvel_crypto korvel_storage)
korvel_static_runtime(korvel_decrypt_bench)
