# nbExecAction with arbitrary ActionIds and parameter texts, against the
# recording engine and the native platform substitute.
vantiro_add_fuzzer(fuzz_exec
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_exec.cpp
          ${PROJECT_SOURCE_DIR}/tests/recording_engine/recording_engine.cpp
  LIBS vantiro_plugin)
