# Rendering speed and PNG size of the example charts, through the engine and
# the plug-in, against Cairo's and libpng's PNG writers on the same pixels,
# gnuplot, and one vantiro-host process per chart; and very long bar series.
find_package(PNG REQUIRED)
vantiro_add_benchmark(bench_render
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_render.cpp
  LIBS vantiro_plugin vantiro_engine vantiro_engine_render PNG::PNG)
target_compile_definitions(bench_render PRIVATE
  VANTIRO_EXAMPLES_DIR="${CMAKE_SOURCE_DIR}/examples"
  $<$<TARGET_EXISTS:vantiro-host>:VANTIRO_HOST_PATH="$<TARGET_FILE:vantiro-host>">)
