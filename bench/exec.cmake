# Throughput of nbExecAction: decoding, frame and status report, against the
# recording engine and the native platform substitute.
vantiro_add_benchmark(bench_exec
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_exec.cpp
  LIBS vantiro_plugin vantiro_recording_engine)
