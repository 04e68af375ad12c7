vantiro_add_benchmark(bench_params SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_params.cpp LIBS vantiro_params)
