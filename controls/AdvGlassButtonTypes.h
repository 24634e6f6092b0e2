#pragma once
// The glass button's published enumerations (ordinals as stored in a window description) and the
// drawn state, shared by its model, its geometry and its content layout. No Win32 here.

#include <cstdint>

namespace ctl::glass {

enum class TButtonShape { btsRectangle, btsCurvedRectangle };
enum class TButtonDirection { bdLeft, bdRight };
enum class TAntiAlias { aaNone, aaClearType, aaAntiAlias };
enum class TButtonLayout {
    blGlyphLeft, blGlyphTop, blGlyphRight, blGlyphBottom,
    blGlyphLeftAdjusted, blGlyphRightAdjusted, blGlyphTopAdjusted, blGlyphBottomAdjusted
};
enum class TBackGroundSymbol {
    bsArrowLeft, bsArrowRight, bsArrowUp, bsArrowDown, bsPlay, bsPause, bsStop, bsFastForward,
    bsForward, bsBackward, bsFastBackward, bsSpeaker, bsNoSpeaker, bsNone, bsRecord, bsCustom
};
enum class TAdvToolButtonStyle { tasButton, tasCheck };
enum class TShortCutHintPos {
    shpLeft, shpTop, shpRight, shpBottom, shpCenter, shpAuto, shpTopLeft, shpTopRight, shpAboveTop,
    shpAboveTopLeft, shpAboveTopRight, shpBottomLeft, shpBottomRight, shpBelowBottom, shpBelowBottomLeft,
    shpBelowBottomRight, shpBelowBottomCenter
};

// The drawn state. 3 is not used; the values are those a stored state would carry.
enum class GlassState : std::uint8_t { gbsUp = 0, gbsDisabled = 1, gbsDown = 2, gbsExclusive = 4 };

}  // namespace ctl::glass
