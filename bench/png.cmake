# PNG writing alone: our encoder against libpng with zlib at level 6 on the
# pixels of the example pictures.
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
vantiro_add_benchmark(bench_png
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_png.cpp
  LIBS vantiro_engine_render PNG::PNG ZLIB::ZLIB)
target_compile_definitions(bench_png PRIVATE
  VANTIRO_IMAGES_DIR="${CMAKE_SOURCE_DIR}/docs/images")
# The Windows build's own checksums against libdeflate's and zlib's.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VANTIRO_BENCH_DEFLATE REQUIRED IMPORTED_TARGET libdeflate)
vantiro_add_benchmark(bench_checksums
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_checksums.cpp
    ${PROJECT_SOURCE_DIR}/engine/render/png/checksums.cpp
  LIBS PkgConfig::VANTIRO_BENCH_DEFLATE ZLIB::ZLIB)
