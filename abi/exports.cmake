# The one list of the chart engine library's exports, with their stdcall
# argument sizes: the sixteen functions the plug-in imports, then the
# extensions of our engine for the test hosts (abi/rmchart.h declares both).
# The module definitions of rmchart.dll, of the recording rmchart.dll and of
# chart.dll's import library are made from it by vantiro_engine_def.
set(VANTIRO_ENGINE_FUNCTIONS
  RMC_CREATECHART@52
  RMC_CREATECHARTFROMFILE@24
  RMC_DRAW@4
  RMC_DELETECHART@4
  RMC_ADDREGION@28
  RMC_ADDGRID@36
  RMC_ADDCAPTION@28
  RMC_ADDLEGEND@36
  RMC_ADDDATAAXIS@68
  RMC_ADDLABELAXIS@48
  RMC_ADDBARSERIES@52
  RMC_ADDGRIDLESSSERIES@52
  RMC_DRAW2FILE@20
  RMC_WRITERMCFILE@8
  RMC_DRAW2PRINTER@28
  RGB2ARGB@8)
set(VANTIRO_ENGINE_EXTENSIONS
  VantiroEngine_SetLayoutReport@4
  VantiroEngine_TakeLastFailure@0
  VantiroEngine_SetSnapshots@8)

# vantiro_engine_def(FILE [IMPORT] [EXTENSIONS] [EXTRA NAME@SIZE...])
# Writes the module definition of an rmchart.dll to FILE (only when it
# changes): the sixteen functions, with EXTENSIONS our extensions, then the
# EXTRA ones. Exports bind each plain name to its decorated function; with
# IMPORT it lists the decorated names for dlltool --kill-at instead, which
# makes an import library of plain names.
function(vantiro_engine_def file)
  cmake_parse_arguments(ARG "IMPORT;EXTENSIONS" "" "EXTRA" ${ARGN})
  set(names ${VANTIRO_ENGINE_FUNCTIONS})
  if(ARG_EXTENSIONS)
    list(APPEND names ${VANTIRO_ENGINE_EXTENSIONS})
  endif()
  list(APPEND names ${ARG_EXTRA})
  set(text "; Made by the build from abi/exports.cmake.\nLIBRARY rmchart.dll\nEXPORTS\n")
  foreach(decorated IN LISTS names)
    string(REGEX REPLACE "@[0-9]+$" "" plain "${decorated}")
    if(ARG_IMPORT)
      string(APPEND text "  ${decorated}\n")
    else()
      string(APPEND text "  ${plain} = ${decorated}\n")
    endif()
  endforeach()
  file(CONFIGURE OUTPUT "${file}" CONTENT "${text}")
endfunction()
