# Decoding of parameter texts by the actions' field decoder, with the
# shipped engine's colour conversion.
vantiro_add_benchmark(bench_params SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_params.cpp
  LIBS vantiro_plugin vantiro_engine)
