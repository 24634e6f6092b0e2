// Capturing the tree of a window and its components, the inverse of applying one
// (framework/Description.h).

#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "framework/Description.h"
#include "framework/DescriptionValues.h"

namespace fw {
namespace {

using namespace description;

// ---------------------------------------------------------------------------------------------
// Capturing a tree

constexpr int kMaxObjectDepth = 16;  // Font inside Caption inside a panel is three

Value CheckedFromTable(const PropertyInfo& property, const Value& value, const char* source) {
    auto checked = Check(property, value, false);
    if (const auto* reason = std::get_if<std::string>(&checked)) {
        throw std::logic_error(std::string(source) + " of property " + std::string(property.name) + ": " + *reason);
    }
    return std::get<Value>(std::move(checked));
}

void CaptureProperties(const Persistent& object, const std::string& prefix, std::vector<PropertyAssignment>& out,
                       int depth) {
    if (depth > kMaxObjectDepth) throw std::logic_error("sub-objects nested too deeply at " + prefix);
    for (const PropertyInfo* property : object.Class().AllProperties()) {
        if (property->stored && !property->stored(object)) continue;
        const std::string path = prefix + std::string(property->name);
        switch (property->type) {
            case PropertyType::Object: {
                // Reading only: the accessor is shared with loading, which needs the object writable.
                Persistent* sub = property->object ? property->object(const_cast<Persistent&>(object)) : nullptr;
                if (sub) CaptureProperties(*sub, path + ".", out, depth + 1);
                break;
            }
            case PropertyType::Event:
            case PropertyType::Reference: {
                const bool settable = property->type == PropertyType::Event ? (property->setEvent || property->set)
                                                                            : static_cast<bool>(property->setReference);
                if (!settable || !property->get) break;
                Value value = CheckedFromTable(*property, property->get(object), "value");
                if (std::get<Identifier>(value).name.empty()) break;
                out.push_back({path, std::move(value), 0});
                break;
            }
            default: {
                if (!property->set || !property->get) break;
                Value value = CheckedFromTable(*property, property->get(object), "value");
                if (property->declaredDefault &&
                    CheckedFromTable(*property, *property->declaredDefault, "default") == value) {
                    break;
                }
                out.push_back({path, Written(*property, value), 0});
            }
        }
    }
}

void CaptureChildren(const Component& parent, ObjectNode& node,
                     const std::unordered_map<const Component*, std::vector<const Component*>>& children) {
    const auto found = children.find(&parent);
    if (found == children.end()) return;
    for (const Component* child : found->second) {
        ObjectNode& childNode = node.children.emplace_back();
        childNode.name = child->Name();
        childNode.className = std::string(child->Class().name);
        CaptureProperties(*child, "", childNode.properties, 0);
        CaptureChildren(*child, childNode, children);
    }
}

}  // namespace

ObjectNode CaptureDescription(const Component& root) {
    ObjectNode node;
    node.name = root.Name();
    node.className = std::string(root.Class().name);
    CaptureProperties(root, "", node.properties, 0);
    // Every owned component sits under its parent component; one placed in nothing (a database
    // component) or in something outside the description sits under the root.
    std::unordered_set<const Component*> owned;
    for (const auto& component : root.Components()) owned.insert(component.get());
    std::unordered_map<const Component*, std::vector<const Component*>> children;
    for (const auto& component : root.Components()) {
        const Component* parent = component->GetParentComponent();
        if (!parent || !owned.count(parent) || parent == component.get()) parent = &root;
        children[parent].push_back(component.get());
    }
    CaptureChildren(root, node, children);
    return node;
}

}  // namespace fw
