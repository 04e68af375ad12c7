# Helpers shared by every folder's CMakeLists.txt.

# Warnings on and fatal for our own targets.
function(vantiro_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
    -Wshadow -Wconversion -Wno-sign-conversion)
  # GCC 12 reports impossible overlaps inside std::string's own inlined
  # copies at -O3 (a known false positive of -Wrestrict).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# A GoogleTest executable registered with CTest (run under Wine on Windows).
#   vantiro_add_test(name SOURCES a.cpp b.cpp LIBS lib1 lib2
#                    [WORKING_DIRECTORY dir] [OUTPUT_DIRECTORY dir] [LABELS l...])
# Tests that need an X display carry the label "display" (run under Xvfb).
function(vantiro_add_test name)
  cmake_parse_arguments(T "" "WORKING_DIRECTORY;OUTPUT_DIRECTORY" "SOURCES;LIBS;LABELS;PROPERTIES"
    ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main vantiro_includes)
  vantiro_warnings(${name})
  if(T_OUTPUT_DIRECTORY)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${T_OUTPUT_DIRECTORY})
  endif()
  if(NOT T_WORKING_DIRECTORY)
    set(T_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(T_LABELS)
    list(APPEND T_PROPERTIES LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
    WORKING_DIRECTORY ${T_WORKING_DIRECTORY}
    DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300 ${T_PROPERTIES})
endfunction()

# Adds the listed sub-folders; a listed folder without a CMakeLists.txt stops
# the configuration. A folder named in VANTIRO_SKIP (paths from the
# repository root, e.g. "tests/plugin;bench") is left out on purpose, so one
# area can be built while another is being reworked; whatever needs it then
# stops the configuration in vantiro_require.
set(VANTIRO_SKIP "" CACHE STRING "Folders to leave out of the build")
function(vantiro_add_subdirectories)
  foreach(dir ${ARGN})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
    if(rel IN_LIST VANTIRO_SKIP)
      message(STATUS "${rel}: left out (VANTIRO_SKIP)")
    elseif(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      message(FATAL_ERROR "Folder ${rel} is missing (no ${rel}/CMakeLists.txt); "
        "restore it, or name it in VANTIRO_SKIP to leave it out")
    else()
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# Stops the configuration unless every listed target is defined: a program
# or library is never left out quietly because something it links is absent.
#   vantiro_require("vantiro-host (testhost/)" vantiro_plugin vantiro_engine)
function(vantiro_require what)
  set(missing "")
  foreach(target ${ARGN})
    if(NOT TARGET ${target})
      list(APPEND missing ${target})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing ", " missing)
    message(FATAL_ERROR "${what}: missing ${missing} (its folder is absent, "
      "read later, or named in VANTIRO_SKIP)")
  endif()
endfunction()

# A VERSIONINFO resource for a shipped DLL or program, from
# cmake/version.rc.in and the project's version; a target left out of the
# build gets none.
#   vantiro_version_resource(chart "Vantiro business charts plug-in")
function(vantiro_version_resource target description)
  if(NOT TARGET ${target})
    return()
  endif()
  get_target_property(VANTIRO_RC_NAME ${target} OUTPUT_NAME)
  if(NOT VANTIRO_RC_NAME)
    set(VANTIRO_RC_NAME ${target})
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(VANTIRO_RC_FILE ${VANTIRO_RC_NAME}.exe)
    set(VANTIRO_RC_TYPE VFT_APP)
  else()
    set(VANTIRO_RC_FILE ${VANTIRO_RC_NAME}.dll)
    set(VANTIRO_RC_TYPE VFT_DLL)
  endif()
  set(VANTIRO_RC_DESCRIPTION "${description}")
  set(rc ${PROJECT_BINARY_DIR}/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# vantiro_link_packages(TARGET VISIBILITY PREFIX): links the libraries that
# pkg_check_modules(PREFIX ... IMPORTED_TARGET) found. With
# VANTIRO_STATIC_PACKAGES they are linked from their static archives, only
# the C library's own (m, pthread, dl, rt) staying shared: a program that
# starts without loading and relocating some thirty shared libraries.
function(vantiro_link_packages target visibility prefix)
  if(NOT VANTIRO_STATIC_PACKAGES)
    target_link_libraries(${target} ${visibility} PkgConfig::${prefix})
    return()
  endif()
  set(archives)
  set(shared)
  foreach(library IN LISTS ${prefix}_STATIC_LIBRARIES)
    if(library MATCHES "^(m|pthread|dl|rt|c)$")
      list(APPEND shared ${library})
      continue()
    endif()
    # By the archive's full path: a flag such as -Wl,-Bstatic would not
    # survive CMake's ordering of the link line.
    find_library(VANTIRO_ARCHIVE_${library} NAMES lib${library}.a
                 HINTS ${${prefix}_STATIC_LIBRARY_DIRS} REQUIRED NO_CACHE)
    list(APPEND archives ${VANTIRO_ARCHIVE_${library}})
  endforeach()
  target_include_directories(${target} SYSTEM ${visibility} ${${prefix}_INCLUDE_DIRS})
  target_compile_options(${target} ${visibility} ${${prefix}_CFLAGS_OTHER})
  target_link_libraries(${target} ${visibility} ${archives} ${shared})
endfunction()
