#pragma once
// A window at the screen's DPI. The window description gives every pixel value at 96 DPI (the
// design); a screen set to 120, 144 or 192 DPI shows the window 1.25, 1.5 or 2 times larger,
// drawn at that size (not a 96-DPI picture stretched by the platform).
//
// The values are scaled in one place: once the description has been applied, the form takes the
// design values of every pixel property (CaptureDesign) and sets them scaled to the screen's DPI
// (ApplyDpi); when the window moves to a screen of another DPI it sets them again from the same
// design values, never from already scaled ones. The property tables say which properties hold
// pixel values and of what kind (PropertyInfo::pixels); what a control paints or measures beyond
// those (a frame's thickness, a margin of its own) it scales from its PixelsPerInch with the same
// DpiScale.
//
// Rounding: positions are edges, and edges are scaled, not sizes: an extent is the distance
// between its two scaled edges. Controls that touch at 96 DPI touch at every DPI, controls apart
// stay apart (scaled edges keep their order), and no size is off by more than a pixel.

#include <cstdint>
#include <vector>

#include "framework/Properties.h"

namespace fw {

inline constexpr int kDesignDpi = 96;

class DpiScale {
public:
    constexpr explicit DpiScale(int dpi = kDesignDpi) : dpi_(dpi > 0 ? dpi : kDesignDpi) {}
    int Dpi() const { return dpi_; }
    bool IsDesign() const { return dpi_ == kDesignDpi; }

    // An edge, from the parent's origin: to the nearest pixel, halves upward (the same for every
    // edge, so that equal design edges stay equal and ordered ones keep their order).
    int Edge(int design) const;
    // A size that starts at a design position: the distance between its scaled edges.
    int Extent(int designOrigin, int designSize) const { return Edge(designOrigin + designSize) - Edge(designOrigin); }
    // A distance of its own (a radius, a margin, an offset): to the nearest pixel, halves away
    // from zero, so that a negative distance is the mirror of its positive one.
    int Length(int design) const;
    // The thickness of a line: whole pixels, truncated, and at least one for a line that is
    // drawn; a one-pixel line stays one pixel (sharp) below 192 DPI.
    int Line(int design) const;
    // A font's height in pixels (negative: the character height): the magnitude truncated, at
    // least one. Text grows a little more than its font's height (hinting), and must stay inside
    // the boxes that held it at 96 DPI: a font a fraction of a pixel smaller than the exact scale
    // keeps it there (Tahoma of 11 pixels, 8 points, becomes 16 at 144 DPI: 8 points again).
    int FontHeight(int design) const;
    // The design value a Length, or a FontHeight, of this scale came from: exact for any DPI of
    // 96 or more.
    int DesignLength(int scaled) const;
    int DesignFontHeight(int scaled) const;
    // The scaled value of one of the units (origin: an Extent's design origin). A Dpi value is
    // the DPI itself.
    int Scale(PixelUnit unit, int design, int origin = 0) const;

private:
    int dpi_;
};

// One pixel property of one object, with its value at the design's 96 DPI.
struct DesignValue {
    Persistent* object = nullptr;
    const PropertyInfo* property = nullptr;
    int value = 0;
    int origin = 0;  // PixelUnit::Extent: the design value of the position it starts at
};

// Every pixel property of the root, of the components it owns (in ownership order: parents before
// their children) and of their sub-objects, as they stand, in that order: the design, when taken
// right after the description was applied at 96 DPI. Properties that are not scaled on their own
// at the moment (PropertyInfo::scaledOnItsOwn) are left out, and so is everything in such a
// sub-object. The objects must outlive the result. A pixel property that is not an Integer, or an
// extent whose origin property does not exist, is a std::logic_error (a wrong table).
std::vector<DesignValue> CaptureDesign(Component& root);

// Sets every value of a design scaled to `dpi`, in three rounds, each in the design's order: the
// DPI values; the positions and extents; then lengths, lines and font heights (so that what a
// font change lays out, such as a label that sizes itself to its caption, happens in the final
// bounds). At 96 DPI every value is set to its design value.
void ApplyDpi(const std::vector<DesignValue>& design, int dpi);

}  // namespace fw
