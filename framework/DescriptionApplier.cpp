// Applying a description's tree to components through their property tables
// (framework/Description.h).

#include <string>
#include <unordered_map>
#include <vector>

#include "base/Text.h"
#include "framework/Colour.h"
#include "framework/Description.h"
#include "framework/DescriptionSyntax.h"
#include "framework/DescriptionValues.h"

namespace fw {
namespace {

using namespace description;

// ---------------------------------------------------------------------------------------------
// Applying a tree

class Applier {
public:
    Applier(Component& root, const ClassRegistry& registry, std::string_view fileName)
        : root_(root), registry_(registry), file_(fileName) {}

    void Apply(const ObjectNode& node) {
        if (!base::EqualsIgnoreCase(node.className, root_.Class().name)) {
            Fail(node.line, node.name,
                 "the description is of class " + node.className + ", the window of class " + std::string(root_.Class().name));
        }
        if (!node.name.empty()) root_.SetName(node.name);
        if (!root_.Name().empty()) names_.emplace(base::ToLowerAscii(root_.Name()), &root_);
        for (const auto& owned : root_.Components()) {
            if (!owned->Name().empty()) names_.emplace(base::ToLowerAscii(owned->Name()), owned.get());
        }
        // Components are loading until every value and reference is in place.
        struct LoadingScope {
            Component& root;
            std::vector<Component*>& created;
            ~LoadingScope() {
                root.SetLoading(false);
                for (Component* component : created) component->SetLoading(false);
            }
        } loading{root_, created_};
        root_.SetLoading(true);
        ApplyProperties(root_, node);
        for (const auto& child : node.children) Create(child, root_);
        for (const auto& reference : references_) {
            const auto found = names_.find(base::ToLowerAscii(reference.name));
            if (found == names_.end()) Fail(reference.line, reference.where, "unknown component " + Quoted(reference.name));
            reference.property->setReference(*reference.target, found->second);
        }
        root_.SetLoading(false);
        for (Component* component : created_) component->SetLoading(false);
        for (Component* component : created_) component->Loaded();
        root_.Loaded();
    }

private:
    struct PendingReference {
        Persistent* target;
        const PropertyInfo* property;
        std::string name;
        int line;
        std::string where;
    };

    [[noreturn]] void Fail(int line, const std::string& where, const std::string& reason) const {
        throw DescriptionError(file_, line, where, reason);
    }

    void Create(const ObjectNode& node, Component& parent) {
        const ClassInfo* info = registry_.Find(node.className);
        if (!info) Fail(node.line, node.name, "unknown class " + node.className);
        if (node.name.empty()) Fail(node.line, node.name, "object without a name");
        const std::string key = base::ToLowerAscii(node.name);
        if (names_.count(key)) Fail(node.line, node.name, "duplicate object name");
        auto created = registry_.Create(node.className);
        if (!created || !created->Class().InheritsFrom(*info)) {
            Fail(node.line, node.name, "the factory of " + node.className + " made no object of that class");
        }
        created->SetName(node.name);
        Component* component = root_.Own(std::move(created));
        component->SetLoading(true);
        created_.push_back(component);
        names_.emplace(key, component);
        component->SetParentComponent(&parent);
        ApplyProperties(*component, node);
        for (const auto& child : node.children) Create(child, *component);
    }

    void ApplyProperties(Component& component, const ObjectNode& node) {
        for (const auto& assignment : node.properties) {
            ApplyProperty(component, assignment, node.name + "." + assignment.path);
        }
    }

    void ApplyProperty(Component& component, const PropertyAssignment& assignment, const std::string& where) {
        const int line = assignment.line;
        Persistent* target = &component;
        const std::string& path = assignment.path;
        const PropertyInfo* property = nullptr;
        std::size_t start = 0;
        for (;;) {
            const std::size_t dot = path.find('.', start);
            const std::string_view segment = std::string_view(path).substr(start, dot - start);
            const std::string_view walked = std::string_view(path).substr(0, dot);
            property = target->Class().FindProperty(segment);
            if (!property) Fail(line, where, "unknown property " + Quoted(walked) + " of " + std::string(target->Class().name));
            if (dot == std::string::npos) break;
            if (property->type != PropertyType::Object) Fail(line, where, Quoted(walked) + " has no properties");
            Persistent* sub = property->object ? property->object(*target) : nullptr;
            if (!sub) Fail(line, where, Quoted(walked) + " holds no object");
            target = sub;
            start = dot + 1;
        }
        auto checked = Check(*property, assignment.value, true);
        if (const auto* reason = std::get_if<std::string>(&checked)) Fail(line, where, *reason);
        const Value& value = std::get<Value>(checked);
        try {
            switch (property->type) {
                case PropertyType::Event: {
                    const std::string& name = std::get<Identifier>(value).name;
                    EventHandler handler = root_.FindMethod(name);
                    if (!handler) Fail(line, where, "unknown handler " + Quoted(name));
                    if (property->setEvent) {
                        property->setEvent(*target, NotifyEvent{name, std::move(handler)});
                    } else if (property->set) {
                        property->set(*target, value);
                    } else {
                        Fail(line, where, "read-only property");
                    }
                    break;
                }
                case PropertyType::Reference:
                    if (!property->setReference) Fail(line, where, "read-only property");
                    references_.push_back({target, property, std::get<Identifier>(value).name, line, where});
                    break;
                default:
                    if (!property->set) Fail(line, where, "read-only property");
                    property->set(*target, value);
            }
        } catch (const std::invalid_argument& e) {  // a setter turned the value down
            Fail(line, where, e.what());
        } catch (const std::out_of_range& e) {
            Fail(line, where, e.what());
        }
    }

    Component& root_;
    const ClassRegistry& registry_;
    std::string file_;
    std::unordered_map<std::string, Component*> names_;  // lower-case name -> component
    std::vector<Component*> created_;
    std::vector<PendingReference> references_;
};

}  // namespace

void ApplyDescription(const ObjectNode& node, Component& root, const ClassRegistry& registry, std::string_view fileName) {
    Applier(root, registry, fileName).Apply(node);
}

}  // namespace fw
