# The live chart designer of the native vantiro-host (--serve): an HTTP
# server on cpp-httplib with its page built in. Part of vantiro_testhost, included by testhost/CMakeLists.txt.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CPP_HTTPLIB IMPORTED_TARGET cpp-httplib)
find_package(nlohmann_json 3.10 QUIET)
if(NOT CPP_HTTPLIB_FOUND OR NOT nlohmann_json_FOUND)
  message(FATAL_ERROR "vantiro-host --serve (testhost/designer) needs cpp-httplib and "
    "nlohmann-json: run scripts/install-deps.sh (libcpp-httplib-dev, nlohmann-json3-dev)")
endif()

file(GLOB web_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/web/*)
set(web_cpp ${CMAKE_CURRENT_BINARY_DIR}/designer/web_assets.cpp)
add_custom_command(OUTPUT ${web_cpp}
  COMMAND ${CMAKE_COMMAND} -DWEB_DIR=${CMAKE_CURRENT_LIST_DIR}/web -DOUTPUT=${web_cpp}
          -P ${CMAKE_CURRENT_LIST_DIR}/embed_web.cmake
  DEPENDS ${web_files} ${CMAKE_CURRENT_LIST_DIR}/embed_web.cmake
  COMMENT "Embedding the designer's page")

target_sources(vantiro_testhost PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/designer.cpp ${CMAKE_CURRENT_LIST_DIR}/paths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reference.cpp ${CMAKE_CURRENT_LIST_DIR}/run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server.cpp ${web_cpp})
target_link_libraries(vantiro_testhost PUBLIC PkgConfig::CPP_HTTPLIB nlohmann_json::nlohmann_json)
target_compile_definitions(vantiro_testhost PRIVATE VANTIRO_DESIGNER)
