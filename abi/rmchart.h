// The chart engine boundary, shared by the plug-in, our drawing engine and
// the recording engine of the tests: the calling convention, the sixteen
// functions the plug-in calls in the chart engine library (rmchart.dll on
// Windows) with their result codes, and the extension functions the test
// hosts call beside them. Any engine that exports the sixteen with these
// argument lists can serve the plug-in. abi/exports.cmake lists the same
// functions for the build, which makes the module definitions from it.
//
// Contract shared by every function:
// - it returns on the calling thread before the action ends and never calls
//   back into the plug-in;
// - texts are zero-terminated single-byte strings, lists are a pointer to the
//   first element plus a count; both, and the integer passed by address, are
//   valid only during the call: the engine copies what it keeps;
// - the result is 0 on success or one of the negative codes below.
#pragma once

#include <cstdint>

// Calling convention of everything that crosses a module boundary: the host's
// entry points and callbacks, and the chart engine's functions. On 32-bit
// Windows this is stdcall (callee removes the arguments); elsewhere the
// platform's default.
#if defined(_WIN32) && !defined(_WIN64)
#define VANTIRO_STDCALL __stdcall
#else
#define VANTIRO_STDCALL
#endif

namespace vantiro::engine_codes {

// Result codes of the chart engine.
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kTooManyCharts = -1;  // more than 20 charts in one program
inline constexpr std::int32_t kRegionLimit = -2;    // region index above the maximum of 6 per chart
inline constexpr std::int32_t kSeriesLimit = -3;    // more than 15 series in one region
inline constexpr std::int32_t kOutOfMemory = -4;   // no memory for data, legend, axis or label text
inline constexpr std::int32_t kEmptyLegend = -5;   // empty legend text list
inline constexpr std::int32_t kBadControlId = -6;  // control ID 0 or no chart with this ID
inline constexpr std::int32_t kNoSuchRegion = -9;  // region not present in the chart
inline constexpr std::int32_t kBadParentWindow = -10;    // bad parent window handle
inline constexpr std::int32_t kWindowNotCreated = -11;   // chart window not created
inline constexpr std::int32_t kPrinterDcFailed = -13;    // printer device context not usable
inline constexpr std::int32_t kNoGraphicsLibrary = -14;  // GDI+ library not present
inline constexpr std::int32_t kSourceFileFailed = -15;   // source chart file not opened
inline constexpr std::int32_t kImageFileFailed = -20;    // image (EMF) file not created
inline constexpr std::int32_t kTargetFileFailed = -26;   // target file not created

}  // namespace vantiro::engine_codes

// Window handles and colours are 32-bit values. A printer device context is a
// pointer-sized handle (32 bits on the Windows target).
using RmcWindow = std::uint32_t;
using RmcColour = std::uint32_t;
using RmcDeviceContext = std::uintptr_t;

extern "C" {

std::int32_t VANTIRO_STDCALL RMC_CREATECHART(RmcWindow parent, std::int32_t ctrlId, std::int32_t x,
                                             std::int32_t y, std::int32_t width,
                                             std::int32_t height, RmcColour background,
                                             std::int32_t style, std::int32_t exportOnly,
                                             const char* backgroundImage, const char* fontName,
                                             std::int32_t tooltipWidth,
                                             RmcColour backgroundImageColour);

std::int32_t VANTIRO_STDCALL RMC_CREATECHARTFROMFILE(RmcWindow parent, std::int32_t ctrlId,
                                                     std::int32_t x, std::int32_t y,
                                                     std::int32_t exportOnly,
                                                     const char* sourceFile);

std::int32_t VANTIRO_STDCALL RMC_DRAW(std::int32_t ctrlId);

std::int32_t VANTIRO_STDCALL RMC_DELETECHART(std::int32_t ctrlId);

std::int32_t VANTIRO_STDCALL RMC_ADDREGION(std::int32_t ctrlId, std::int32_t x, std::int32_t y,
                                           std::int32_t width, std::int32_t height,
                                           const char* footer, std::int32_t showBorder);

std::int32_t VANTIRO_STDCALL RMC_ADDGRID(std::int32_t ctrlId, std::int32_t region,
                                         RmcColour background, std::int32_t asGradient,
                                         std::int32_t x, std::int32_t y, std::int32_t width,
                                         std::int32_t height, std::int32_t biColour);

std::int32_t VANTIRO_STDCALL RMC_ADDCAPTION(std::int32_t ctrlId, std::int32_t region,
                                            const char* caption, RmcColour background,
                                            RmcColour textColour, std::int32_t fontSize,
                                            std::int32_t fontBold);

std::int32_t VANTIRO_STDCALL RMC_ADDLEGEND(std::int32_t ctrlId, std::int32_t region,
                                           const char* legend, std::int32_t alignment,
                                           RmcColour background, std::int32_t style,
                                           std::int32_t textColour, std::int32_t fontSize,
                                           std::int32_t fontBold);

std::int32_t VANTIRO_STDCALL RMC_ADDDATAAXIS(
    std::int32_t ctrlId, std::int32_t region, std::int32_t alignment, double minValue,
    double maxValue, std::int32_t tickCount, std::int32_t fontSize, RmcColour textColour,
    RmcColour lineColour, std::int32_t lineStyle, std::int32_t decimalDigits, const char* units,
    const char* text, const char* labels, std::int32_t* labelAlignment);

std::int32_t VANTIRO_STDCALL RMC_ADDLABELAXIS(std::int32_t ctrlId, std::int32_t region,
                                              const char* labels, std::int32_t axisCount,
                                              std::int32_t tickCount, std::int32_t alignment,
                                              std::int32_t fontSize, RmcColour textColour,
                                              std::int32_t textAlignment, RmcColour lineColour,
                                              std::int32_t lineStyle, const char* text);

std::int32_t VANTIRO_STDCALL RMC_ADDBARSERIES(std::int32_t ctrlId, std::int32_t region,
                                              const double* values, std::int32_t valueCount,
                                              std::int32_t type, std::int32_t style,
                                              std::int32_t isLucent, RmcColour colour,
                                              std::int32_t isHorizontal, std::int32_t whichDataAxis,
                                              std::int32_t valueLabelOn,
                                              std::int32_t pointsPerColumn, std::int32_t hatchMode);

std::int32_t VANTIRO_STDCALL RMC_ADDGRIDLESSSERIES(std::int32_t ctrlId, std::int32_t region,
                                                   const double* values, std::int32_t valueCount,
                                                   const RmcColour* colours,
                                                   std::int32_t colourCount, std::int32_t style,
                                                   std::int32_t alignment, std::int32_t explode,
                                                   std::int32_t isLucent, std::int32_t valueLabel,
                                                   std::int32_t hatch, std::int32_t startAngle);

std::int32_t VANTIRO_STDCALL RMC_DRAW2FILE(std::int32_t ctrlId, const char* fileName,
                                           std::int32_t width, std::int32_t height,
                                           std::int32_t jpegQuality);

std::int32_t VANTIRO_STDCALL RMC_WRITERMCFILE(std::int32_t ctrlId, const char* fileName);

std::int32_t VANTIRO_STDCALL RMC_DRAW2PRINTER(std::int32_t ctrlId, RmcDeviceContext dc,
                                              std::int32_t left, std::int32_t top,
                                              std::int32_t width, std::int32_t height,
                                              std::int32_t managePages);

RmcColour VANTIRO_STDCALL RGB2ARGB(RmcColour colour, std::int32_t alpha);

}  // extern "C"

// Extensions for test hosts, beside the sixteen: natively functions of the
// engine library, on Windows exports of rmchart.dll under these plain names.
// chart.dll never calls them; the authoring host does not know them.
extern "C" {

// After this call every image the engine draws (window, file or printer)
// appends one JSON line to `path`; null or empty: no report. Ends the report
// before. Returns bits: 1 `path` cannot be opened for appending (reporting
// is off), 2 a line of the report that ended here could not be written.
std::int32_t VANTIRO_STDCALL VantiroEngine_SetLayoutReport(const char* path);

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

#if !defined(_WIN32)
// Natively only, for programs that run the engine without windows or
// printers.

// A device context for RMC_DRAW2PRINTER that prints into a PDF file (A4
// pages); 0 if the file cannot be created. Closing it finishes the file.
std::uintptr_t VantiroEngine_OpenPdfPrinter(const char* pdfPath);
void VantiroEngine_ClosePdfPrinter(std::uintptr_t dc);

// Texts and file names given to the engine from now on (and chart texts it
// already holds, which stay the bytes received) are read in `codePage`:
// 1250, 1251, 1252 (until this is called) or 65001 (UTF-8). Returns 0, or
// kVantiroCodePageUnsupported, changing nothing. (On Windows the engine
// reads the system's ANSI code page.)
std::int32_t VantiroEngine_SetCodePage(std::int32_t codePage);

// The code page the engine reads its texts and file names in.
std::int32_t VantiroEngine_CodePage();
#endif

}  // extern "C"

// The result bits of VantiroEngine_SetLayoutReport.
inline constexpr std::int32_t kVantiroLayoutReportCannotOpen = 1;
inline constexpr std::int32_t kVantiroLayoutReportLinesLost = 2;

// The result of VantiroEngine_SetCodePage for a code page it does not know,
// nonzero like the layout report switch's results.
inline constexpr std::int32_t kVantiroCodePageUnsupported = 1;
