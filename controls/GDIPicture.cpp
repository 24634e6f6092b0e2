#include "controls/GDIPicture.h"

namespace ctl {

void TGDIPPicture::Assign(const fw::Persistent* source) { AssignAs<TGDIPPicture>(source); }

const fw::ClassInfo& TGDIPPicture::Class() const { return StaticClass(); }

const fw::ClassInfo& TGDIPPicture::StaticClass() {
    static const fw::ClassInfo info{
        "TGDIPPicture",
        nullptr,
        {
            DataProperty(),
        }};
    return info;
}

}  // namespace ctl
