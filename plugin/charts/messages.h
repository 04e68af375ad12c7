// Every text that an action stores in StatusText, once, byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantiro::charts {

enum class Message : std::uint8_t {
  kOk,
  kError,
  kCanceled,
  kTooManyCharts,
  kRegionLimit,
  kSeriesLimit,
  kDataMemory,
  kLegendMemory,
  kAxisMemory,
  kLabelMemory,
  kEmptyLegend,
  kCtrlIdError,
  kWrongControlId,
  kNoSuchRegion,
  kBadRectangle,
  kWindowNotCreated,
  kPrinterDc,
  kNoGdiPlus,
  kSourceFile,
  kEmfFile,
  kPrintEmfFile,
  kFileNotCreated,
  kCount
};

inline constexpr std::array<std::string_view, static_cast<std::size_t>(Message::kCount)>
    kMessageTexts = {
        "Ok",
        "Error",
        "Canceled",
        "The maximum count of control instances (20) within one programm is exceeded",
        "The region index exceeds the maximum possible numbers of regions (6) within a chart "
        "control.",
        "The actual series exceeds the maximum possible numbers of series (15) within a region.",
        "Error while allocating memory for the data.",
        "Error while allocating memory for the legend text.",
        "Error while allocating memory for the axis text.",
        "Error while allocating memory for the Label text.",
        "The array with the legend text is empty.",
        "Error on CtrlID Value",
        "Wrong control ID (0 or no chart with this control ID was found).",
        "The region index is inexistent in the chart control.",
        "Error on Rectangle Handle",
        "Error while creating window with CREATEWINDOWEX.",
        "Error while creating the printer DC.",
        "No GDIPLUS.DLL was found.",
        "Error opening SourceFile.",
        "Error while creating the EMF file.",
        "Error while creating the EMF file for printing.",
        "Error while creating the file.",
};

constexpr std::string_view MessageText(Message message) {
  return kMessageTexts[static_cast<std::size_t>(message)];
}

}  // namespace vantiro::charts
