#include "controls/GDIPicture.h"

namespace ctl {

void TGDIPPicture::Assign(const fw::Persistent* source) {
    if (source == nullptr) {
        Clear();
        return;
    }
    if (auto* picture = dynamic_cast<const TGDIPPicture*>(source)) {
        TakeBytes(picture->Data(), true);
        return;
    }
    if (auto* graphic = dynamic_cast<const TGraphic*>(source)) {
        fw::Bytes bytes;
        graphic->SaveToStream(bytes);
        TakeBytes(std::move(bytes), false);
    }
}

const fw::ClassInfo& TGDIPPicture::Class() const { return StaticClass(); }

const fw::ClassInfo& TGDIPPicture::StaticClass() {
    static const fw::ClassInfo info{
        "TGDIPPicture",
        nullptr,
        {
            {.name = "Data",
             .type = fw::PropertyType::Binary,
             .declaredDefault = fw::Value{fw::Bytes{}},
             .set = [](fw::Persistent& p, const fw::Value& v) {
                 static_cast<TGDIPPicture&>(p).ReadData(std::get<fw::Bytes>(v));
             },
             .get = [](const fw::Persistent& p) -> fw::Value {
                 return static_cast<const TGDIPPicture&>(p).WriteData();
             }},
        }};
    return info;
}

}  // namespace ctl
