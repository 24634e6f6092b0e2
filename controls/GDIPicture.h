#pragma once
// The glass button's and the hint data's picture: the same encoded bytes, loading, streaming and
// decoding as TAdvGDIPPicture (both are a TEncodedPicture), without the colour-key settings,
// which the glass button's pictures do not have. Drawing on a device context lives in
// controls/win/AdvGDIP.h (Draw).

#include "controls/AdvGDIP.h"

namespace ctl {

class TGDIPPicture : public TEncodedPicture {
public:
    TGDIPPicture() = default;

    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    // From nothing: empties the picture. From a picture of this class: its bytes. From any
    // other graphic (bitmaps, icons, the other picture class): the bytes it saves. Other
    // classes are ignored.
    void Assign(const fw::Persistent* source) override;
};

}  // namespace ctl
