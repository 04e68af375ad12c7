// Engine calls and result codes of the content actions (their field kinds are
// in the header). The same engine code can carry a different message from
// one action to the next; each action lists its own.
#include "plugin/content/content_actions.h"

#include "plugin/charts/action_frame.h"

namespace vantiro::content {
namespace {

using charts::ActionDefinition;
using charts::CodeMessage;
using charts::DecodedFields;
using namespace field_kinds;
using enum charts::Message;
namespace code = engine_codes;

// --- Regions and grids ------------------------------------------------------------

constexpr CodeMessage kAddRegionCodes[] = {
    {code::kBadControlId, kWrongControlId},
    {code::kRegionLimit, kRegionLimit},
};

constexpr ActionDefinition kAddRegion = {
    kAddRegionFields,
    1,
    [](DecodedFields& f) {
      return RMC_ADDREGION(f.Integer(1), f.Integer(2), f.Integer(3), f.Integer(4), f.Integer(5),
                           f.Text(6), f.Integer(7));
    },
    {"ae_Graph_AddRegionStatus", kAddRegionCodes, false, true},
};

constexpr CodeMessage kAddGridCodes[] = {
    {code::kBadControlId, kWrongControlId},
    {code::kRegionLimit, kRegionLimit},
    {code::kNoSuchRegion, kNoSuchRegion},
};

constexpr ActionDefinition kAddGrid = {
    kAddGridFields,
    1,
    [](DecodedFields& f) {
      return RMC_ADDGRID(f.Integer(1), f.Integer(2), f.Colour(3), f.Integer(4), f.Integer(5),
                         f.Integer(6), f.Integer(7), f.Integer(8), f.Integer(9));
    },
    {"ae_Graph_AddGridStatus", kAddGridCodes, false, true},
};

// --- Captions and legends ---------------------------------------------------------

constexpr CodeMessage kAddCaptionCodes[] = {
    {code::kBadControlId, kCtrlIdError},
    {code::kRegionLimit, kRegionLimit},
    {code::kNoSuchRegion, kNoSuchRegion},
};

constexpr ActionDefinition kAddCaption = {
    kAddCaptionFields,
    1,
    [](DecodedFields& f) {
      return RMC_ADDCAPTION(f.Integer(1), f.Integer(2), f.Text(3), f.Colour(4), f.Colour(5),
                            f.Integer(6), f.Integer(7));
    },
    {"ae_Graph_AddCaptionStatus", kAddCaptionCodes, false, true},
};

constexpr CodeMessage kAddLegendCodes[] = {
    {code::kBadControlId, kWrongControlId}, {code::kRegionLimit, kRegionLimit},
    {code::kNoSuchRegion, kNoSuchRegion},   {code::kEmptyLegend, kEmptyLegend},
    {code::kOutOfMemory, kLegendMemory},
};

constexpr ActionDefinition kAddLegend = {
    kAddLegendFields,
    1,
    [](DecodedFields& f) {
      return RMC_ADDLEGEND(f.Integer(1), f.Integer(2), f.Text(3), f.Integer(4), f.Colour(5),
                           f.Integer(6), f.Integer(7), f.Integer(8), f.Integer(9));
    },
    {"ae_Graph_AddLegendStatus", kAddLegendCodes, false, true},
};

// --- Axes ---------------------------------------------------------------------------

constexpr CodeMessage kAddDataAxisCodes[] = {
    {code::kBadControlId, kCtrlIdError},
    {code::kRegionLimit, kRegionLimit},
    {code::kNoSuchRegion, kNoSuchRegion},
    {code::kOutOfMemory, kAxisMemory},
};

// The value range reaches the engine as whole numbers: the limits are
// rounded like every integer field and only then widened. LabelAlignment
// goes by address.
constexpr ActionDefinition kAddDataAxis = {
    kAddDataAxisFields,
    1,
    [](DecodedFields& f) {
      return RMC_ADDDATAAXIS(
          f.Integer(1), f.Integer(2), f.Integer(3), static_cast<double>(f.Integer(4)),
          static_cast<double>(f.Integer(5)), f.Integer(6), f.Integer(7), f.Colour(8), f.Colour(9),
          f.Integer(10), f.Integer(11), f.Text(12), f.Text(13), f.Text(14), f.IntegerAddress(15));
    },
    {"ae_Graph_AddDataAxisStatus", kAddDataAxisCodes, false, true},
};

constexpr CodeMessage kAddLabelAxisCodes[] = {
    {code::kBadControlId, kCtrlIdError},
    {code::kRegionLimit, kRegionLimit},
    {code::kNoSuchRegion, kNoSuchRegion},
    {code::kOutOfMemory, kLabelMemory},
};

constexpr ActionDefinition kAddLabelAxis = {
    kAddLabelAxisFields,
    1,
    [](DecodedFields& f) {
      return RMC_ADDLABELAXIS(f.Integer(1), f.Integer(2), f.Text(3), f.Integer(4), f.Integer(5),
                              f.Integer(6), f.Integer(7), f.Colour(8), f.Integer(9), f.Colour(10),
                              f.Integer(11), f.Text(12));
    },
    {"ae_Graph_AddLabelAxisStatus", kAddLabelAxisCodes, false, true},
};

// --- Series -------------------------------------------------------------------------

constexpr CodeMessage kAddBarSeriesCodes[] = {
    {code::kBadControlId, kWrongControlId}, {code::kRegionLimit, kRegionLimit},
    {code::kNoSuchRegion, kNoSuchRegion},   {code::kOutOfMemory, kDataMemory},
    {code::kSeriesLimit, kSeriesLimit},
};

constexpr ActionDefinition kAddBarSeries = {
    kAddBarSeriesFields,
    1,
    [](DecodedFields& f) {
      return RMC_ADDBARSERIES(f.Integer(1), f.Integer(2), f.Values(3), f.Count(3), f.Integer(4),
                              f.Integer(5), f.Integer(6), f.Colour(7), f.Integer(8), f.Integer(9),
                              f.Integer(10), f.Integer(11), f.Integer(12));
    },
    {"ae_Graph_AddBarSeriesStatus", kAddBarSeriesCodes, false, true},
};

constexpr CodeMessage kAddGridlessSeriesCodes[] = {
    {code::kBadControlId, kWrongControlId},
    {code::kRegionLimit, kRegionLimit},
    {code::kNoSuchRegion, kNoSuchRegion},
    {code::kOutOfMemory, kDataMemory},
};

constexpr ActionDefinition kAddGridlessSeries = {
    kAddGridlessSeriesFields,
    1,
    [](DecodedFields& f) {
      return RMC_ADDGRIDLESSSERIES(f.Integer(1), f.Integer(2), f.Values(3), f.Count(3),
                                   f.Colours(4), f.Count(4), f.Integer(5), f.Integer(6),
                                   f.Integer(7), f.Integer(8), f.Integer(9), f.Integer(10),
                                   f.Integer(11));
    },
    {"ae_Graph_AddGridLessSeriesStatus", kAddGridlessSeriesCodes, false, true},
};

}  // namespace

void ae_Graph_AddRegion(std::string_view p) { charts::RunAction(kAddRegion, p); }
void ae_Graph_AddGrid(std::string_view p) { charts::RunAction(kAddGrid, p); }
void ae_Graph_AddCaption(std::string_view p) { charts::RunAction(kAddCaption, p); }
void ae_Graph_AddLegend(std::string_view p) { charts::RunAction(kAddLegend, p); }
void ae_Graph_AddDataAxis(std::string_view p) { charts::RunAction(kAddDataAxis, p); }
void ae_Graph_AddLabelAxis(std::string_view p) { charts::RunAction(kAddLabelAxis, p); }
void ae_Graph_AddBarSeries(std::string_view p) { charts::RunAction(kAddBarSeries, p); }
void ae_Graph_AddGridlessSeries(std::string_view p) { charts::RunAction(kAddGridlessSeries, p); }

}  // namespace vantiro::content
