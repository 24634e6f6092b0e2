#include "controls/GDIPPictureContainer.h"

#include "base/Text.h"

namespace ctl {

std::string VersionNumberText(std::uint32_t version) {
    return std::to_string(version >> 24) + "." + std::to_string((version >> 16) & 0xFF) + "." +
           std::to_string((version >> 8) & 0xFF) + "." + std::to_string(version & 0xFF);
}

void TPictureItem::Assign(const fw::Persistent* source) {
    auto* item = dynamic_cast<const TPictureItem*>(source);
    if (item == nullptr || item == this) return;
    name_ = item->name_;
    tag_ = item->tag_;
    picture_.Assign(&item->picture_);
}

TPictureItem& TPictureCollection::Add() {
    items_.push_back(std::make_unique<TPictureItem>(*this));
    return *items_.back();
}

void TPictureCollection::Delete(int index) { items_.erase(items_.begin() + index); }

void TPictureCollection::Assign(const fw::Persistent* source) {
    auto* other = dynamic_cast<const TPictureCollection*>(source);
    if (other == nullptr || other == this) return;
    items_.clear();
    for (const auto& item : other->items_) Add().Assign(item.get());
}

TAdvGDIPPicture* TGDIPPictureContainer::FindPicture(std::string_view name) const {
    for (int i = 0; i < items_.Count(); ++i) {
        const TPictureItem& item = items_.Item(i);
        if (base::EqualsIgnoreCase(item.Name(), name)) return const_cast<TAdvGDIPPicture*>(&item.Picture());
    }
    return nullptr;
}

const fw::ClassInfo& TPictureItem::Class() const { return StaticClass(); }

const fw::ClassInfo& TPictureItem::StaticClass() {
    static const fw::ClassInfo info{
        "TPictureItem",
        nullptr,
        {
            {.name = "Picture",
             .type = fw::PropertyType::Object,
             .object = [](fw::Persistent& p) -> fw::Persistent* { return &static_cast<TPictureItem&>(p).Picture(); },
             .objectClass = &TAdvGDIPPicture::StaticClass()},
            {.name = "Name",
             .type = fw::PropertyType::String,
             .declaredDefault = fw::Value{std::string{}},
             .set = [](fw::Persistent& p, const fw::Value& v) {
                 static_cast<TPictureItem&>(p).SetName(std::get<std::string>(v));
             },
             .get = [](const fw::Persistent& p) -> fw::Value { return static_cast<const TPictureItem&>(p).Name(); }},
            {.name = "Tag",
             .type = fw::PropertyType::Integer,
             .declaredDefault = fw::Value{std::int64_t{0}},
             .set = [](fw::Persistent& p, const fw::Value& v) {
                 static_cast<TPictureItem&>(p).SetTag(static_cast<std::int32_t>(std::get<std::int64_t>(v)));
             },
             .get = [](const fw::Persistent& p) -> fw::Value {
                 return std::int64_t{static_cast<const TPictureItem&>(p).Tag()};
             }},
        }};
    return info;
}

const fw::ClassInfo& TPictureCollection::Class() const { return StaticClass(); }

const fw::ClassInfo& TPictureCollection::StaticClass() {
    static const fw::ClassInfo info{"TPictureCollection", nullptr, {}};
    return info;
}

const fw::ClassInfo& TGDIPPictureContainer::Class() const { return StaticClass(); }

const fw::ClassInfo& TGDIPPictureContainer::StaticClass() {
    // Items is a collection: the description format has no collection syntax, so items are
    // added in code (Items().Add()).
    static const fw::ClassInfo info{
        "TGDIPPictureContainer",
        nullptr,
        {
            {.name = "Version",
             .type = fw::PropertyType::String,
             .declaredDefault = fw::Value{VersionNumberText(kVersionNumber)},
             .set = [](fw::Persistent&, const fw::Value&) {},
             .get = [](const fw::Persistent& p) -> fw::Value {
                 return static_cast<const TGDIPPictureContainer&>(p).Version();
             }},
        }};
    return info;
}

}  // namespace ctl
