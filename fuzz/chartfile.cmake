# Chart files: arbitrary bytes handed to the chart file reader.
if(TARGET vantiro_engine_chartfile)
  vantiro_add_fuzzer(fuzz_chartfile SOURCES fuzz_chartfile.cpp LIBS vantiro_engine_chartfile)
endif()
