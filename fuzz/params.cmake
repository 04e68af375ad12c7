vantiro_add_fuzzer(fuzz_params SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_params.cpp LIBS vantiro_params)
