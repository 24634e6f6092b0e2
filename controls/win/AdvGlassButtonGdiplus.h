#pragma once
// The glass button's body drawn on GDI+: replays the drawing commands of the portable geometry
// (controls/AdvGlassButtonGeometry.h) on a graphics object. Every path, brush and pen lives for
// the one command that needs it; status codes of single calls are ignored (a degenerate arc or
// a zero-size gradient simply adds nothing). Not used by the window class yet.

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <functional>
#include <vector>

#include "controls/AdvGlassButtonGeometry.h"

namespace ctl::win {

// Adds the figure to a GDI+ path and closes it.
void AddGlassPath(Gdiplus::GraphicsPath& out, const glass::GlassPath& path);

// Paints the commands in order with anti-aliased smoothing (the previous smoothing mode and clip
// are restored afterwards). A CustomSymbol command calls `customSymbol` with its rectangle, if
// one is given.
void ReplayGlassDrawing(Gdiplus::Graphics& graphics, const std::vector<glass::GlassDrawCommand>& commands,
                        const std::function<void(Gdiplus::Graphics&, const RectF&)>& customSymbol = {});

}  // namespace ctl::win
