vantiro_add_fuzzer(fuzz_script SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_script.cpp
  LIBS vantiro_testhost_core)
