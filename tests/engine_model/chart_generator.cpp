// Random valid charts. Numbers lean towards the edges (limits of int32,
// subnormal and huge doubles, -0) where a text format loses precision.
#include "tests/engine_model/chart_generator.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "text/code_page.h"

namespace vantiro::engine::testing {

namespace {

class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}

  std::uint32_t Bits() { return static_cast<std::uint32_t>(engine_()); }
  bool Chance(int percent) { return Below(100) < static_cast<std::uint32_t>(percent); }
  std::uint32_t Below(std::uint32_t n) { return Bits() % n; }

  std::int32_t Int() {
    switch (Below(4)) {
      case 0: return static_cast<std::int32_t>(Below(5)) - 1;
      case 1:
        return Chance(50) ? std::numeric_limits<std::int32_t>::min()
                          : std::numeric_limits<std::int32_t>::max();
      case 2: return static_cast<std::int32_t>(Below(2000)) - 1000;
      default: return static_cast<std::int32_t>(Bits());
    }
  }

  double Double() {
    switch (Below(6)) {
      case 0: return static_cast<double>(Below(200)) - 100.0;
      case 1: return Chance(50) ? -0.0 : std::numeric_limits<double>::denorm_min();
      case 2:
        return Chance(50) ? std::numeric_limits<double>::max()
                          : std::numeric_limits<double>::lowest();
      case 3: return static_cast<double>(Bits()) / 7.0;
      default: {
        // Any finite bit pattern.
        for (;;) {
          const std::uint64_t bits = (std::uint64_t{Bits()} << 32) | Bits();
          double d = 0;
          std::memcpy(&d, &bits, sizeof d);
          if (std::isfinite(d)) return d;
        }
      }
    }
  }

  std::string Text() {
    const std::uint32_t length = Chance(2) ? kMaxTextLength : Below(Chance(20) ? 300 : 12);
    std::string text(length, ' ');
    const bool anyByte = Chance(50);
    for (char& c : text) {
      c = anyByte ? static_cast<char>(Below(256)) : static_cast<char>(' ' + Below(95));
    }
    if (!anyByte) return text;
    // Charts hold UTF-8 of what the code page has, as texts entering the
    // engine become.
    const int page = text::CurrentCodePage();
    return text::ToUtf8(text::FromUtf8(text::ToUtf8(text, page), page), page);
  }

  std::string LegendText() {
    std::string text = Text();
    if (text.find_first_not_of(kListSeparator) == std::string::npos) text += "Sales";
    return text;
  }

 private:
  std::mt19937 engine_;
};

Region GenerateRegion(Random& r) {
  Region region;
  region.x = r.Int(), region.y = r.Int(), region.width = r.Int(), region.height = r.Int();
  region.footer = r.Text();
  region.showBorder = r.Int();
  if (r.Chance(60)) {
    Grid& g = region.grid;
    g.present = true;
    g.background = r.Bits(), g.asGradient = r.Int();
    g.x = r.Int(), g.y = r.Int(), g.width = r.Int(), g.height = r.Int();
    g.biColour = r.Int();
  }
  if (r.Chance(60)) {
    Caption& c = region.caption;
    c.present = true;
    c.text = r.Text();
    c.background = r.Bits(), c.textColour = r.Bits();
    c.fontSize = r.Int(), c.bold = r.Int();
  }
  if (r.Chance(60)) {
    Legend& l = region.legend;
    l.present = true;
    l.text = r.LegendText();
    l.alignment = r.Int(), l.background = r.Bits(), l.style = r.Int();
    l.textColour = r.Int(), l.fontSize = r.Int(), l.bold = r.Int();
  }
  const std::uint32_t axes = r.Below(kMaxDataAxes + 1);
  for (std::uint32_t i = 0; i < axes; ++i) {
    DataAxis a;
    a.alignment = r.Int(), a.minValue = r.Double(), a.maxValue = r.Double();
    a.tickCount = r.Int(), a.fontSize = r.Int();
    a.textColour = r.Bits(), a.lineColour = r.Bits();
    a.lineStyle = r.Int(), a.decimalDigits = r.Int();
    a.units = r.Text(), a.title = r.Text(), a.labels = r.Text();
    a.labelAlignment = r.Int();
    region.dataAxes.push_back(a);
  }
  if (r.Chance(60)) {
    LabelAxis& a = region.labelAxis;
    region.hasLabelAxis = true;
    a.labels = r.Text();
    a.axisCount = r.Int(), a.tickCount = r.Int(), a.alignment = r.Int();
    a.fontSize = r.Int(), a.textColour = r.Bits(), a.textAlignment = r.Int();
    a.lineColour = r.Bits(), a.lineStyle = r.Int();
    a.title = r.Text();
  }
  const std::uint32_t series = r.Below(kMaxSeriesPerRegion + 1);
  for (std::uint32_t i = 0; i < series; ++i) {
    const std::uint32_t count = r.Chance(10) ? r.Below(200) : r.Below(20);
    if (r.Chance(50)) {
      BarSeries s;
      for (std::uint32_t k = 0; k < count; ++k) s.values.push_back(r.Double());
      s.type = r.Int(), s.style = r.Int(), s.lucent = r.Int(), s.colour = r.Bits();
      s.horizontal = r.Int(), s.whichDataAxis = r.Int(), s.valueLabels = r.Int();
      s.pointsPerColumn = r.Int(), s.hatch = r.Int();
      region.bars.push_back(s);
    } else {
      GridlessSeries s;
      for (std::uint32_t k = 0; k < count; ++k) s.values.push_back(r.Double());
      const std::uint32_t colours = r.Below(40);
      for (std::uint32_t k = 0; k < colours; ++k) s.colours.push_back(r.Bits());
      s.style = r.Int(), s.alignment = r.Int(), s.explode = r.Int(), s.lucent = r.Int();
      s.valueLabels = r.Int(), s.hatch = r.Int(), s.startAngle = r.Int();
      region.gridless.push_back(s);
    }
  }
  return region;
}

}  // namespace

Chart GenerateChart(std::uint32_t seed) {
  Random r(seed);
  Chart chart;
  ChartSettings& s = chart.settings;
  s.width = 1 + static_cast<std::int32_t>(r.Below(kMaxSide));
  s.height = r.Chance(10) ? kMaxSide : 1 + static_cast<std::int32_t>(r.Below(kMaxSide));
  if (!ChartSizeAllowed(s.width, s.height)) {
    s.height = static_cast<std::int32_t>(kMaxImagePixels / s.width);
  }
  s.background = r.Bits(), s.style = r.Int(), s.tooltipWidth = r.Int();
  s.backgroundImage = r.Text(), s.fontName = r.Text();
  s.backgroundImageColour = r.Bits();
  const std::uint32_t regions = r.Below(kMaxRegions + 1);
  for (std::uint32_t i = 0; i < regions; ++i) chart.regions.push_back(GenerateRegion(r));
  return chart;
}

}  // namespace vantiro::engine::testing
