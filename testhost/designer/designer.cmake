# The live chart designer of vantiro-host (--serve): an HTTP server on
# cpp-httplib with its page built in. Part of vantiro_testhost, included by
# testhost/CMakeLists.txt for both targets.
if(WIN32)
  # nlohmann-json is one header; Debian installs it for the native compiler.
  # Debian's cpp-httplib is a header and a native library, so MinGW builds
  # the library's own single header instead, which scripts/install-deps.sh
  # takes from Debian's source of the same package. Copies in the build
  # tree give MinGW these two and never the rest of /usr/include.
  find_file(VANTIRO_HTTPLIB_HEADER httplib.h PATHS /usr/local/share/vantiro/cpp-httplib
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_file(VANTIRO_JSON_HEADER nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
            NO_CMAKE_FIND_ROOT_PATH)
  if(NOT VANTIRO_HTTPLIB_HEADER OR NOT VANTIRO_JSON_HEADER)
    message(FATAL_ERROR "vantiro-host.exe --serve (testhost/designer) needs cpp-httplib's single "
      "header and nlohmann-json: run scripts/install-deps.sh examples-wine")
  endif()
  set(designer_include ${CMAKE_CURRENT_BINARY_DIR}/designer/include)
  get_filename_component(json_dir ${VANTIRO_JSON_HEADER} DIRECTORY)
  file(COPY ${VANTIRO_HTTPLIB_HEADER} ${json_dir} DESTINATION ${designer_include})
  target_include_directories(vantiro_testhost SYSTEM PUBLIC ${designer_include})
  target_link_libraries(vantiro_testhost PUBLIC ws2_32)
  # cpp-httplib needs Windows Vista (inet_pton); the designer asks for no
  # more. MinGW's headers would otherwise offer everything up to Windows 10.
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/server.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform_win32.cpp PROPERTIES COMPILE_DEFINITIONS _WIN32_WINNT=0x0600)
  set(designer_platform platform_win32.cpp)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CPP_HTTPLIB IMPORTED_TARGET cpp-httplib)
  find_package(nlohmann_json 3.10 QUIET)
  if(NOT CPP_HTTPLIB_FOUND OR NOT nlohmann_json_FOUND)
    message(FATAL_ERROR "vantiro-host --serve (testhost/designer) needs cpp-httplib and "
      "nlohmann-json: run scripts/install-deps.sh (libcpp-httplib-dev, nlohmann-json3-dev)")
  endif()
  target_link_libraries(vantiro_testhost PUBLIC PkgConfig::CPP_HTTPLIB nlohmann_json::nlohmann_json)
  set(designer_platform platform_posix.cpp)
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
  ${CMAKE_CURRENT_LIST_DIR}/server.cpp ${CMAKE_CURRENT_LIST_DIR}/${designer_platform} ${web_cpp})
target_compile_definitions(vantiro_testhost PRIVATE VANTIRO_DESIGNER)
