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
// The exact grammar is documented at the top of DescriptionParser.cpp. One file per job around
// ObjectNode: DescriptionLexer.h, DescriptionParser.cpp, DescriptionWriter.cpp,
// DescriptionApplier.cpp and DescriptionCapture.cpp (the values both of these check,
// DescriptionValues.h).

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

// Text (UTF-8) to tree. Throws DescriptionError for a syntax error, a text outside Windows-1252,
// an integer outside -2^31 .. 2^32 - 1 or an object name used twice.
ObjectNode ParseDescription(std::string_view text, std::string_view fileName);

// Tree to text (UTF-8), in the normal form; ParseDescription(WriteDescription(n)) == n. A tree no
// text could give (a name that is not a name, an identifier "true", an integer out of range)
// throws std::invalid_argument.
std::string WriteDescription(const ObjectNode& node);

// Applies a tree to an existing root component: checks the root's class and takes the tree's
// name, creates every child through the registry (owned by the root, named, placed in the
// enclosing object through SetParentComponent before its properties are set), sets the
// properties in the tree's order through their tables (dotted paths walk Object properties),
// binds event handlers through root.FindMethod, resolves references once every object exists,
// then calls Loaded() on every created object in creation order and on the root last.
// Throws DescriptionError naming file, line and object.property for: a root class mismatch, an
// unknown class, property, sub-property or enumeration member, a value of the wrong type or out
// of 32-bit range, an unknown colour name, handler or component, a duplicate object name, a
// read-only property, and a value a setter turns down (std::invalid_argument or
// std::out_of_range from the setter). After an error the root keeps what was made so far; no
// Loaded() has been called.
void ApplyDescription(const ObjectNode& node, Component& root, const ClassRegistry& registry,
                      std::string_view fileName);

// The tree of the root and every component it owns, each under its parent component (those
// placed in nothing or outside the root directly under the root), in ownership order. Lists only
// properties that differ from their declared default, in table order (parents first), with
// sub-objects flattened to dotted paths, enumerations and sets by member name, and colours by
// name where they have one. Lines are 0.
ObjectNode CaptureDescription(const Component& root);

}  // namespace fw
