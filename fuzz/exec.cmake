# nbExecAction with arbitrary ActionIds and parameter texts, against the
# recording engine and the native platform substitute.
vantiro_add_fuzzer(fuzz_exec
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_exec.cpp
  LIBS vantiro_plugin vantiro_recording_engine)
