#include "framework/Properties.h"

#include <algorithm>
#include <stdexcept>

#include "base/Text.h"

namespace fw {

std::optional<int> EnumInfo::Find(std::string_view member) const {
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (base::EqualsIgnoreCase(members[i], member)) return static_cast<int>(i);
    }
    return std::nullopt;
}

const PropertyInfo* ClassInfo::FindProperty(std::string_view propertyName) const {
    for (const ClassInfo* info = this; info; info = info->parent) {
        for (const auto& property : info->properties) {
            if (base::EqualsIgnoreCase(property.name, propertyName)) return &property;
        }
    }
    return nullptr;
}

bool ClassInfo::InheritsFrom(const ClassInfo& other) const {
    for (const ClassInfo* info = this; info; info = info->parent) {
        if (info == &other) return true;
    }
    return false;
}

std::vector<const PropertyInfo*> ClassInfo::AllProperties() const {
    std::vector<const ClassInfo*> chain;
    for (const ClassInfo* info = this; info; info = info->parent) chain.push_back(info);
    std::vector<const PropertyInfo*> all;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const auto& property : (*it)->properties) {
            bool redeclared = false;
            for (auto& existing : all) {
                if (base::EqualsIgnoreCase(existing->name, property.name)) {
                    existing = &property;
                    redeclared = true;
                    break;
                }
            }
            if (!redeclared) all.push_back(&property);
        }
    }
    return all;
}

void CopyValueProperties(const Persistent& from, Persistent& to, std::initializer_list<std::string_view> except) {
    for (const PropertyInfo* property : from.Class().AllProperties()) {
        const bool valued = property->type != PropertyType::Object && property->type != PropertyType::Event &&
                            property->type != PropertyType::Reference && property->get && property->set;
        const bool excepted = std::any_of(except.begin(), except.end(),
                                          [&](std::string_view name) { return base::EqualsIgnoreCase(name, property->name); });
        if (valued && !excepted) property->set(to, property->get(from));
    }
}

Component::~Component() {
    // Later components may refer to earlier ones (a control to its parent), never the reverse.
    while (!owned_.empty()) {
        std::unique_ptr<Component> last = std::move(owned_.back());
        owned_.pop_back();
        last.reset();  // out of the list first: its destructor may still look its owner's list up
    }
}

Component* Component::Own(std::unique_ptr<Component> child) {
    if (!child) return nullptr;
    child->owner_ = this;
    owned_.push_back(std::move(child));
    return owned_.back().get();
}

Component* Component::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (const auto& child : owned_) {
        if (base::EqualsIgnoreCase(child->Name(), name)) return child.get();
    }
    return nullptr;
}

void ClassRegistry::Register(const ClassInfo& info, Factory factory) {
    if (Find(info.name)) {
        throw std::logic_error("class registered twice: " + std::string(info.name));
    }
    entries_.push_back(Entry{&info, std::move(factory)});
}

const ClassInfo* ClassRegistry::Find(std::string_view className) const {
    for (const auto& entry : entries_) {
        if (base::EqualsIgnoreCase(entry.info->name, className)) return entry.info;
    }
    return nullptr;
}

std::unique_ptr<Component> ClassRegistry::Create(std::string_view className) const {
    for (const auto& entry : entries_) {
        if (base::EqualsIgnoreCase(entry.info->name, className)) return entry.factory ? entry.factory() : nullptr;
    }
    return nullptr;
}

}  // namespace fw
