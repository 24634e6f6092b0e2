#pragma once
// The window's stored description: a readable text of object blocks, parsed into plain data
// first (ObjectNode), then applied to components through their ClassInfo tables.
//
//   # comment
//   object frmMain: TfrmMain
//     Caption = "Criação de Base de Dados (v 1.1)"   # UTF-8 in the file, Windows-1252 in memory
//     ClientWidth = 580
//     Font.Style = [fsBold]
//     Color = clBtnFace
//     OnShow = FormShow
//     object Image1: TImage
//       Picture.Data = {
//         89504E470D0A1A0A ...
//       }
//     end
//   end
//
// The exact grammar is documented at the top of Description.cpp.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Properties.h"

namespace fw {

struct PropertyAssignment {
    std::string path;  // "Caption", or "Fill.Color" for a property of an owned sub-object
    Value value;
    int line = 0;
    friend bool operator==(const PropertyAssignment& a, const PropertyAssignment& b) {
        return a.path == b.path && a.value == b.value;  // lines do not take part
    }
};

struct ObjectNode {
    std::string name;       // "frmMain"
    std::string className;  // "TfrmMain"
    int line = 0;
    std::vector<PropertyAssignment> properties;
    std::vector<ObjectNode> children;
    friend bool operator==(const ObjectNode& a, const ObjectNode& b) {
        return a.name == b.name && a.className == b.className && a.properties == b.properties &&
               a.children == b.children;
    }
};

// A wrong description: what() reads "file:line: object.property: reason".
class DescriptionError : public std::runtime_error {
public:
    DescriptionError(std::string file, int line, std::string where, const std::string& reason);
    const std::string& File() const { return file_; }
    int Line() const { return line_; }
    const std::string& Where() const { return where_; }  // "object.property", "object" or ""

private:
    std::string file_;
    int line_;
    std::string where_;
};

// Text (UTF-8) to tree. Throws DescriptionError for a syntax error or a text outside Windows-1252.
ObjectNode ParseDescription(std::string_view text, std::string_view fileName);

// Tree to text (UTF-8); ParseDescription(WriteDescription(n)) == n.
std::string WriteDescription(const ObjectNode& node);

// Applies a tree to an existing root component: checks the root's class, creates every child
// through the registry (owned by the root, placed in the enclosing object), sets every property
// through its table, binds event handlers through root.FindMethod, then calls Loaded() on every
// object in creation order. Throws DescriptionError naming file, line, object and property for an
// unknown class, property or enumeration member, a handler the root does not know, or a value of
// the wrong type.
void ApplyDescription(const ObjectNode& node, Component& root, const ClassRegistry& registry,
                      std::string_view fileName);

// The tree of a component and the components it owns whose parent component is it (recursively),
// listing only properties that differ from their declared default.
ObjectNode CaptureDescription(const Component& root);

}  // namespace fw
