# Rendering speed of the native backend: a business chart to PNG, the same
# chart drawn by gnuplot for comparison, and very long bar series.
vantiro_add_benchmark(bench_render
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_render.cpp
  LIBS vantiro_engine_device vantiro_engine_layout vantiro_engine_render)
