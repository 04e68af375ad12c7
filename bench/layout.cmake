# The layout step alone: report charts and bar series of a million values.
vantiro_add_benchmark(bench_layout SOURCES bench_layout.cpp LIBS vantiro_engine_layout)
