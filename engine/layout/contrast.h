// Readable texts: every drawn text stands out from what lies under it.
#pragma once

#include "engine/layout/draw_list.h"
#include "engine/layout/draw_list_builder.h"

namespace vantiro::engine::layout {

// Least contrast a drawn text has against what lies under it (WCAG 2 large
// text, and the least for graphics).
inline constexpr double kLeastContrast = 3.0;

// WCAG 2 relative luminance of an opaque colour, 0 (black) to 1 (white).
double RelativeLuminance(Argb colour);

// (lighter + 0.05) / (darker + 0.05): 1 for equal colours, 21 for black on white.
double ContrastRatio(Argb a, Argb b);

// The colours a text would lie on: those painted under sample points of
// its box (`extent` as measured) by the shapes before it (fills with their gradients and hatch
// lines, translucent ones blended; lines and other texts do not count).
// Points over a picture, whose pixels the layout does not know, give none.
std::vector<Argb> ColoursUnder(const DrawList& list, std::size_t textIndex,
                               const TextExtent& extent);

// Gives each text of the builder's list whose colour has less than
// kLeastContrast against any colour under it the nearest colour that has it
// (the author's colour darkened or lightened); a text no colour makes
// readable is left out and reported. Run once the list is complete.
void KeepTextsReadable(DrawListBuilder& builder, DrawList& list);

}  // namespace vantiro::engine::layout
