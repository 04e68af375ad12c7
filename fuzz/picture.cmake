# Background pictures: arbitrary bytes handed to the native picture reader.
if(TARGET vantiro_engine_render AND NOT WIN32)
  vantiro_add_fuzzer(fuzz_picture SOURCES fuzz_picture.cpp LIBS vantiro_engine_render)
endif()
