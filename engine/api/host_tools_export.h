// Engine extensions for test hosts, beside the sixteen engine functions and
// the layout report switch: natively functions of the engine library, on
// Windows exports of rmchart.dll under these plain names. chart.dll never
// calls them.
#pragma once

#include <cstdint>

#include "plugin/abi.h"

extern "C" {

// Why the last engine call failed, in words ("cannot create /x/a.png: no
// such file or directory"); the empty text if it did not fail or left no
// detail. Every engine call that can fail starts by forgetting the detail,
// except RMC_DELETECHART (made by the plug-in after a failed action);
// taking it forgets it too. The text stays valid until the next call of
// this function.
const char* VANTIRO_STDCALL VantiroEngine_TakeLastFailure();

// Every later RMC_DRAW of a chart with a window also writes the chart
// alone as the PNG file <folder>/<stem>-chart<id>.png (<folder>/chart-<id>.png
// for an empty stem). Null or empty folder: no snapshots. A snapshot that
// cannot be written makes RMC_DRAW return -20.
void VANTIRO_STDCALL VantiroEngine_SetSnapshots(const char* folder, const char* stem);

}  // extern "C"
