// Native-only extras of the engine for programs that run it without
// windows or printers (the test host): where drawn charts are saved, and a
// stand-in printer that prints into a PDF file, and the code page of the
// texts and file names it is given. The layout report's switch,
// VantiroEngine_SetLayoutReport, exists on Windows too.
#pragma once

#include <cstdint>

#include "engine/api/host_tools_export.h"
#include "engine/api/layout_report_export.h"

extern "C" {

// Every later RMC_DRAW also saves the chart as <folder>/chart-<id>.png.
// Null or empty: no snapshots. VantiroEngine_SetSnapshots (on every
// target) names the files after a script too.
void VantiroEngine_SetSnapshotFolder(const char* folder);

// A device context for RMC_DRAW2PRINTER that prints into a PDF file (A4
// pages); 0 if the file cannot be created. Closing it finishes the file.
std::uintptr_t VantiroEngine_OpenPdfPrinter(const char* pdfPath);
void VantiroEngine_ClosePdfPrinter(std::uintptr_t dc);

// Texts and file names given to the engine from now on (and chart texts it
// already holds, which stay the bytes received) are read in `codePage`:
// 1250, 1251, 1252 (until this is called) or 65001 (UTF-8). Returns 0, or
// kVantiroCodePageUnsupported, changing nothing.
std::int32_t VantiroEngine_SetCodePage(std::int32_t codePage);

// The code page the engine reads its texts and file names in.
std::int32_t VantiroEngine_CodePage();

}  // extern "C"

// The result of VantiroEngine_SetCodePage for a code page it does not know,
// nonzero like the layout report switch's results.
inline constexpr std::int32_t kVantiroCodePageUnsupported = 1;
