#pragma once
// Named pictures: a component whose collection of items each hold a picture, a name and a tag.
// The HTML caption renderer looks pictures up here by name (FindPicture).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/AdvGDIP.h"
#include "framework/Properties.h"

namespace ctl {

class TGDIPPictureContainer;
class TPictureCollection;

// "major.minor.release.build" of a component version number (one byte each, major on top).
std::string VersionNumberText(std::uint32_t version);

class TPictureItem : public fw::Persistent {
public:
    explicit TPictureItem(TPictureCollection& collection) : collection_(&collection) {}
    TPictureItem(const TPictureItem&) = delete;
    TPictureItem& operator=(const TPictureItem&) = delete;

    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    TPictureCollection& Collection() const { return *collection_; }

    TAdvGDIPPicture& Picture() { return picture_; }
    const TAdvGDIPPicture& Picture() const { return picture_; }
    void SetPicture(const TAdvGDIPPicture& source) { picture_.Assign(&source); }  // copies the content
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    std::int32_t Tag() const { return tag_; }
    void SetTag(std::int32_t tag) { tag_ = tag; }

    // From another item: name, tag and the picture's content. Other classes are ignored.
    void Assign(const fw::Persistent* source);

private:
    TPictureCollection* collection_;
    TAdvGDIPPicture picture_;
    std::string name_;
    std::int32_t tag_ = 0;
};

class TPictureCollection : public fw::Persistent {
public:
    explicit TPictureCollection(TGDIPPictureContainer& owner) : owner_(&owner) {}
    TPictureCollection(const TPictureCollection&) = delete;
    TPictureCollection& operator=(const TPictureCollection&) = delete;

    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    TGDIPPictureContainer& Owner() const { return *owner_; }

    TPictureItem& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TPictureItem& Item(int index) { return *items_.at(index); }
    const TPictureItem& Item(int index) const { return *items_.at(index); }
    void Delete(int index);
    void Clear() { items_.clear(); }

    // Replaces the items with copies of another collection's. Other classes are ignored.
    void Assign(const fw::Persistent* source);

private:
    TGDIPPictureContainer* owner_;
    std::vector<std::unique_ptr<TPictureItem>> items_;
};

class TGDIPPictureContainer : public fw::Component {
public:
    static constexpr std::uint32_t kVersionNumber = 0x01000000;

    TGDIPPictureContainer() = default;

    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    TPictureCollection& Items() { return items_; }
    const TPictureCollection& Items() const { return items_; }
    void SetItems(const TPictureCollection& items) { items_.Assign(&items); }

    // The picture of the first item whose name equals `name` without regard to (ASCII) case;
    // nullptr when none does.
    TAdvGDIPPicture* FindPicture(std::string_view name) const;

    std::string Version() const { return VersionNumberText(kVersionNumber); }
    void SetVersion(std::string_view) {}  // read-only: writing has no effect

private:
    TPictureCollection items_{*this};
};

// The lookup renderers use: no container finds nothing.
inline TAdvGDIPPicture* FindPicture(const TGDIPPictureContainer* container, std::string_view name) {
    return container ? container->FindPicture(name) : nullptr;
}

}  // namespace ctl
