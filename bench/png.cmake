# PNG writing alone: our encoder against libpng with zlib at level 6 on the
# pixels of the example pictures.
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
vantiro_add_benchmark(bench_png
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_png.cpp
  LIBS vantiro_engine_render PNG::PNG ZLIB::ZLIB)
target_compile_definitions(bench_png PRIVATE
  VANTIRO_IMAGES_DIR="${CMAKE_SOURCE_DIR}/docs/images")
