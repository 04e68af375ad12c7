// The recording engine: state, text form, the sixteen engine functions and
// the plain-function controls.
#include "recording_engine/recording_engine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <utility>

#include "abi/rmchart.h"
#include "recording_engine/recording_control.h"

namespace vantiro::recording {
namespace {

struct EngineState {
  std::vector<Call> calls;
  std::map<std::string, std::deque<std::int32_t>, std::less<>> results;
  std::uint32_t colourMask = 0;
};

EngineState& State() {
  static EngineState state;
  return state;
}

std::string HexColour(std::uint32_t colour) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(colour));
  return text;
}

std::string Real(double value) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc{} ? std::string(text, end) : std::string("?");
}

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      quoted += c;
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(byte));
      quoted += escape;
    }
  }
  quoted += '"';
  return quoted;
}

template <typename T, typename Format>
std::string List(const std::vector<T>& items, Format format) {
  std::string text = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ", ";
    text += format(items[i]);
  }
  text += ']';
  return text;
}

// Builds the record of one call while the arguments are valid.
class Recorder {
 public:
  explicit Recorder(const char* function) { call_.function = function; }

  Recorder& Integer(std::int32_t value) {
    Argument& a = Add(Argument::Kind::kInteger);
    a.integer = value;
    return *this;
  }
  Recorder& Unsigned(std::uint64_t value) {
    Argument& a = Add(Argument::Kind::kUnsigned);
    a.integer = static_cast<std::int64_t>(value);
    return *this;
  }
  Recorder& Colour(RmcColour value) {
    Argument& a = Add(Argument::Kind::kColour);
    a.integer = value;
    return *this;
  }
  Recorder& Real(double value) {
    Argument& a = Add(Argument::Kind::kReal);
    a.real = value;
    return *this;
  }
  Recorder& Text(const char* text) {
    Argument& a = Add(Argument::Kind::kText);
    a.pointer = reinterpret_cast<std::uintptr_t>(text);
    if (text != nullptr) a.text = std::string(text);
    return *this;
  }
  Recorder& Values(const double* values, std::int32_t count) {
    Argument& a = Add(Argument::Kind::kValues);
    a.pointer = reinterpret_cast<std::uintptr_t>(values);
    if (values != nullptr && count > 0) a.values.assign(values, values + count);
    return *this;
  }
  Recorder& Colours(const RmcColour* colours, std::int32_t count) {
    Argument& a = Add(Argument::Kind::kColours);
    a.pointer = reinterpret_cast<std::uintptr_t>(colours);
    if (colours != nullptr && count > 0) a.colours.assign(colours, colours + count);
    if (colours != nullptr && count <= 0) a.head = *colours;
    return *this;
  }
  Recorder& Address(const std::int32_t* value) {
    Argument& a = Add(Argument::Kind::kAddress);
    a.pointer = reinterpret_cast<std::uintptr_t>(value);
    if (value != nullptr) a.integer = *value;
    return *this;
  }

  // Stores the call with the next scripted result and returns that result.
  std::int32_t Finish() {
    EngineState& state = State();
    const auto queue = state.results.find(call_.function);
    if (queue != state.results.end() && !queue->second.empty()) {
      call_.result = queue->second.front();
      queue->second.pop_front();
    }
    state.calls.push_back(call_);
    return call_.result;
  }

 private:
  Argument& Add(Argument::Kind kind) {
    call_.arguments.emplace_back();
    call_.arguments.back().kind = kind;
    return call_.arguments.back();
  }

  Call call_;
};

// No exception may leave an engine function: the caller may be another
// module with its own runtime.
template <typename Record>
std::int32_t Guarded(Record record) {
  try {
    return record();
  } catch (...) {
    return 0;
  }
}

}  // namespace

std::string Argument::Text() const {
  switch (kind) {
    case Kind::kInteger:
    case Kind::kUnsigned: return std::to_string(integer);
    case Kind::kColour: return HexColour(static_cast<std::uint32_t>(integer));
    case Kind::kReal: return vantiro::recording::Real(real);
    case Kind::kText: return text ? Quoted(*text) : "null";
    case Kind::kValues:
      if (pointer == 0) return "null";
      return List(values, [](double v) { return vantiro::recording::Real(v); });
    case Kind::kColours: {
      if (pointer == 0) return "null";
      if (!head) return List(colours, HexColour);
      std::string empty = "[]->";
      empty.append(HexColour(*head));
      return empty;
    }
    case Kind::kAddress: {
      if (pointer == 0) return "null";
      std::string address = "&";
      address.append(std::to_string(integer));
      return address;
    }
  }
  return "?";
}

std::string Call::Text() const {
  std::string text = function;
  text += '(';
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) text += ", ";
    text += arguments[i].Text();
  }
  text += ')';
  return text;
}

void Reset() { State() = EngineState{}; }

void PushResult(std::string_view function, std::int32_t result) {
  EngineState& state = State();
  auto queue = state.results.find(function);
  if (queue == state.results.end()) {
    queue = state.results.emplace(std::string(function), std::deque<std::int32_t>{}).first;
  }
  queue->second.push_back(result);
}

void SetColourMask(std::uint32_t mask) { State().colourMask = mask; }

const std::vector<Call>& Calls() { return State().calls; }

std::vector<std::string> CallTexts() {
  std::vector<std::string> texts;
  for (const Call& call : State().calls) texts.push_back(call.Text());
  return texts;
}

}  // namespace vantiro::recording

using vantiro::recording::Guarded;
using vantiro::recording::Recorder;

extern "C" {

std::int32_t VANTIRO_STDCALL RMC_CREATECHART(RmcWindow parent, std::int32_t ctrlId, std::int32_t x,
                                             std::int32_t y, std::int32_t width,
                                             std::int32_t height, RmcColour background,
                                             std::int32_t style, std::int32_t exportOnly,
                                             const char* backgroundImage, const char* fontName,
                                             std::int32_t tooltipWidth,
                                             RmcColour backgroundImageColour) {
  return Guarded([&] {
    return Recorder("RMC_CREATECHART")
        .Unsigned(parent)
        .Integer(ctrlId)
        .Integer(x)
        .Integer(y)
        .Integer(width)
        .Integer(height)
        .Colour(background)
        .Integer(style)
        .Integer(exportOnly)
        .Text(backgroundImage)
        .Text(fontName)
        .Integer(tooltipWidth)
        .Colour(backgroundImageColour)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_CREATECHARTFROMFILE(RmcWindow parent, std::int32_t ctrlId,
                                                     std::int32_t x, std::int32_t y,
                                                     std::int32_t exportOnly,
                                                     const char* sourceFile) {
  return Guarded([&] {
    return Recorder("RMC_CREATECHARTFROMFILE")
        .Unsigned(parent)
        .Integer(ctrlId)
        .Integer(x)
        .Integer(y)
        .Integer(exportOnly)
        .Text(sourceFile)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_DRAW(std::int32_t ctrlId) {
  return Guarded([&] { return Recorder("RMC_DRAW").Integer(ctrlId).Finish(); });
}

std::int32_t VANTIRO_STDCALL RMC_DELETECHART(std::int32_t ctrlId) {
  return Guarded([&] { return Recorder("RMC_DELETECHART").Integer(ctrlId).Finish(); });
}

std::int32_t VANTIRO_STDCALL RMC_ADDREGION(std::int32_t ctrlId, std::int32_t x, std::int32_t y,
                                           std::int32_t width, std::int32_t height,
                                           const char* footer, std::int32_t showBorder) {
  return Guarded([&] {
    return Recorder("RMC_ADDREGION")
        .Integer(ctrlId)
        .Integer(x)
        .Integer(y)
        .Integer(width)
        .Integer(height)
        .Text(footer)
        .Integer(showBorder)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDGRID(std::int32_t ctrlId, std::int32_t region,
                                         RmcColour background, std::int32_t asGradient,
                                         std::int32_t x, std::int32_t y, std::int32_t width,
                                         std::int32_t height, std::int32_t biColour) {
  return Guarded([&] {
    return Recorder("RMC_ADDGRID")
        .Integer(ctrlId)
        .Integer(region)
        .Colour(background)
        .Integer(asGradient)
        .Integer(x)
        .Integer(y)
        .Integer(width)
        .Integer(height)
        .Integer(biColour)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDCAPTION(std::int32_t ctrlId, std::int32_t region,
                                            const char* caption, RmcColour background,
                                            RmcColour textColour, std::int32_t fontSize,
                                            std::int32_t fontBold) {
  return Guarded([&] {
    return Recorder("RMC_ADDCAPTION")
        .Integer(ctrlId)
        .Integer(region)
        .Text(caption)
        .Colour(background)
        .Colour(textColour)
        .Integer(fontSize)
        .Integer(fontBold)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDLEGEND(std::int32_t ctrlId, std::int32_t region,
                                           const char* legend, std::int32_t alignment,
                                           RmcColour background, std::int32_t style,
                                           std::int32_t textColour, std::int32_t fontSize,
                                           std::int32_t fontBold) {
  return Guarded([&] {
    return Recorder("RMC_ADDLEGEND")
        .Integer(ctrlId)
        .Integer(region)
        .Text(legend)
        .Integer(alignment)
        .Colour(background)
        .Integer(style)
        .Integer(textColour)
        .Integer(fontSize)
        .Integer(fontBold)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDDATAAXIS(
    std::int32_t ctrlId, std::int32_t region, std::int32_t alignment, double minValue,
    double maxValue, std::int32_t tickCount, std::int32_t fontSize, RmcColour textColour,
    RmcColour lineColour, std::int32_t lineStyle, std::int32_t decimalDigits, const char* units,
    const char* text, const char* labels, std::int32_t* labelAlignment) {
  return Guarded([&] {
    return Recorder("RMC_ADDDATAAXIS")
        .Integer(ctrlId)
        .Integer(region)
        .Integer(alignment)
        .Real(minValue)
        .Real(maxValue)
        .Integer(tickCount)
        .Integer(fontSize)
        .Colour(textColour)
        .Colour(lineColour)
        .Integer(lineStyle)
        .Integer(decimalDigits)
        .Text(units)
        .Text(text)
        .Text(labels)
        .Address(labelAlignment)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDLABELAXIS(std::int32_t ctrlId, std::int32_t region,
                                              const char* labels, std::int32_t axisCount,
                                              std::int32_t tickCount, std::int32_t alignment,
                                              std::int32_t fontSize, RmcColour textColour,
                                              std::int32_t textAlignment, RmcColour lineColour,
                                              std::int32_t lineStyle, const char* text) {
  return Guarded([&] {
    return Recorder("RMC_ADDLABELAXIS")
        .Integer(ctrlId)
        .Integer(region)
        .Text(labels)
        .Integer(axisCount)
        .Integer(tickCount)
        .Integer(alignment)
        .Integer(fontSize)
        .Colour(textColour)
        .Integer(textAlignment)
        .Colour(lineColour)
        .Integer(lineStyle)
        .Text(text)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDBARSERIES(
    std::int32_t ctrlId, std::int32_t region, const double* values, std::int32_t valueCount,
    std::int32_t type, std::int32_t style, std::int32_t isLucent, RmcColour colour,
    std::int32_t isHorizontal, std::int32_t whichDataAxis, std::int32_t valueLabelOn,
    std::int32_t pointsPerColumn, std::int32_t hatchMode) {
  return Guarded([&] {
    return Recorder("RMC_ADDBARSERIES")
        .Integer(ctrlId)
        .Integer(region)
        .Values(values, valueCount)
        .Integer(valueCount)
        .Integer(type)
        .Integer(style)
        .Integer(isLucent)
        .Colour(colour)
        .Integer(isHorizontal)
        .Integer(whichDataAxis)
        .Integer(valueLabelOn)
        .Integer(pointsPerColumn)
        .Integer(hatchMode)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_ADDGRIDLESSSERIES(std::int32_t ctrlId, std::int32_t region,
                                                   const double* values, std::int32_t valueCount,
                                                   const RmcColour* colours,
                                                   std::int32_t colourCount, std::int32_t style,
                                                   std::int32_t alignment, std::int32_t explode,
                                                   std::int32_t isLucent, std::int32_t valueLabel,
                                                   std::int32_t hatch, std::int32_t startAngle) {
  return Guarded([&] {
    return Recorder("RMC_ADDGRIDLESSSERIES")
        .Integer(ctrlId)
        .Integer(region)
        .Values(values, valueCount)
        .Integer(valueCount)
        .Colours(colours, colourCount)
        .Integer(colourCount)
        .Integer(style)
        .Integer(alignment)
        .Integer(explode)
        .Integer(isLucent)
        .Integer(valueLabel)
        .Integer(hatch)
        .Integer(startAngle)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_DRAW2FILE(std::int32_t ctrlId, const char* fileName,
                                           std::int32_t width, std::int32_t height,
                                           std::int32_t jpegQuality) {
  return Guarded([&] {
    return Recorder("RMC_DRAW2FILE")
        .Integer(ctrlId)
        .Text(fileName)
        .Integer(width)
        .Integer(height)
        .Integer(jpegQuality)
        .Finish();
  });
}

std::int32_t VANTIRO_STDCALL RMC_WRITERMCFILE(std::int32_t ctrlId, const char* fileName) {
  return Guarded(
      [&] { return Recorder("RMC_WRITERMCFILE").Integer(ctrlId).Text(fileName).Finish(); });
}

std::int32_t VANTIRO_STDCALL RMC_DRAW2PRINTER(std::int32_t ctrlId, RmcDeviceContext dc,
                                              std::int32_t left, std::int32_t top,
                                              std::int32_t width, std::int32_t height,
                                              std::int32_t managePages) {
  return Guarded([&] {
    return Recorder("RMC_DRAW2PRINTER")
        .Integer(ctrlId)
        .Unsigned(dc)
        .Integer(left)
        .Integer(top)
        .Integer(width)
        .Integer(height)
        .Integer(managePages)
        .Finish();
  });
}

RmcColour VANTIRO_STDCALL RGB2ARGB(RmcColour colour, std::int32_t alpha) {
  const RmcColour result = colour ^ vantiro::recording::State().colourMask;
  try {
    vantiro::recording::Call call;
    call.function = "RGB2ARGB";
    call.arguments.resize(2);
    call.arguments[0].kind = vantiro::recording::Argument::Kind::kColour;
    call.arguments[0].integer = colour;
    call.arguments[1].integer = alpha;
    call.result = static_cast<std::int32_t>(result);
    vantiro::recording::State().calls.push_back(std::move(call));
  } catch (...) {
  }
  return result;
}

void VANTIRO_STDCALL RecordingEngine_Reset(void) { vantiro::recording::Reset(); }

void VANTIRO_STDCALL RecordingEngine_PushResult(const char* function, std::int32_t result) {
  if (function == nullptr) return;
  try {
    vantiro::recording::PushResult(function, result);
  } catch (...) {
  }
}

void VANTIRO_STDCALL RecordingEngine_SetColourMask(std::uint32_t mask) {
  vantiro::recording::SetColourMask(mask);
}

std::int32_t VANTIRO_STDCALL RecordingEngine_CallCount(void) {
  return static_cast<std::int32_t>(vantiro::recording::Calls().size());
}

std::int32_t VANTIRO_STDCALL RecordingEngine_CallAt(std::int32_t index, char* buffer,
                                                    std::int32_t size) {
  const auto& calls = vantiro::recording::Calls();
  if (index < 0 || static_cast<std::size_t>(index) >= calls.size()) return -1;
  try {
    const std::string text = calls[static_cast<std::size_t>(index)].Text();
    if (buffer != nullptr && size > 0) {
      const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size) - 1);
      std::memcpy(buffer, text.data(), n);
      buffer[n] = '\0';
    }
    return static_cast<std::int32_t>(text.size());
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
