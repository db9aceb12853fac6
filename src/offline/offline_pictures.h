// The offline window's pictures, drawn on a Canvas so the window, the exports (BMP, PNG, SVG)
// and the tests share them: the page-load progress bar, the acquisition description, a well's
// raw signals over a page, the page's re-analysis with its detection envelope, a group's
// activity over the whole acquisition, and the plate with its group marks.
#pragma once

#include <string>
#include <vector>

#include "base/canvas.h"
#include "offline/signal_view.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

inline constexpr Rgb kBlockBoundaryGrey{200, 200, 200};
inline constexpr Rgb kWellCurveGrey{190, 190, 190};

// Progress of a page load, coordinates 0..100 both ways: cleared for k = 0, then a blue bar
// (0, 0)-(k / 4 x 100, 100) before the k-th file is read.
void DrawPageProgress(Canvas& canvas, int k);
// The description lines, one under the other from the top-left.
void DrawDescription(Canvas& canvas, const std::vector<std::string>& lines);
// The raw signals of the selected well's beams over the loaded page (x: samples of the page,
// labelled with their place in the run; y: signal 0..2150 with "100%" at the top and "  0%"
// at the bottom), under the acquisition's caption (name and start) and the well and page.
// Nothing when no block is loaded. Long traces are drawn as one vertical stroke per pixel column
// (the range of the samples that fall in it) joined to the next, so what is seen equals the full
// polyline.
void DrawChannelSignal(Canvas& canvas, const SignalView& view);
// The same signals with each beam's detection envelope (the beam colour at half intensity),
// the events of each section of ten blocks above it, the time of its first block, and the
// acquisition's caption.
void DrawAnalysis(Canvas& canvas, const SignalView& view, const PageAnalysis& analysis);
// One light grey curve per well and the group's curve in blue against time, scaled to the
// largest well value; the group label and, under it, `caption` (the acquisition's name and
// start) at the top.
void DrawGroupActivity(Canvas& canvas, const GroupActivityTrace& activity,
                       const std::string& groupLabel, const std::string& caption = {});
// The plate: well boxes (red), beam dots (blue when enabled and mapped, else yellow), group
// marks ("5G") by group mod 4 and the row and column labels.
void DrawPlate(Canvas& canvas, const PlateGeometry& geometry, const WellMap& map,
               const ProjectSettings& settings);

}  // namespace movexa
