# One bar series of 10^4 to 10^7 values through the plug-in and the engine
# (and vantiro-host): peak memory per value and processor time.
add_executable(bench_series ${CMAKE_CURRENT_LIST_DIR}/bench_series.cpp)
target_link_libraries(bench_series PRIVATE vantiro_plugin vantiro_engine vantiro_includes)
vantiro_warnings(bench_series)
target_compile_definitions(bench_series PRIVATE
  $<$<TARGET_EXISTS:vantiro-host>:VANTIRO_HOST_PATH="$<TARGET_FILE:vantiro-host>">)
