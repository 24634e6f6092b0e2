// Writing a description's tree as text (framework/Description.h; the grammar is at the top of
// DescriptionParser.cpp).
//
// Writing produces the normal form: two blanks of indentation per level, "Name = value", strings
// split after every "\n" escape and at a blank past column 60 (continuation lines indented), the
// bytes 00..1F, 7F and the code page's five undefined bytes as \xHH, others as UTF-8; integers
// above 2^31 - 1 in hexadecimal, others in decimal; binary data as lines of 32 bytes.

#include <cstdio>
#include <string>

#include "base/Text.h"
#include "framework/Description.h"
#include "framework/DescriptionSyntax.h"

namespace fw {
namespace {

using namespace description;

// ---------------------------------------------------------------------------------------------
// Writer

class Writer {
public:
    std::string Write(const ObjectNode& root) {
        WriteObject(root, 0);
        return std::move(out_);
    }

private:
    static void Require(bool condition, const std::string& what) {
        if (!condition) throw std::invalid_argument("cannot write a description: " + what);
    }

    void Indent(int level) { out_.append(static_cast<std::size_t>(level) * 2, ' '); }

    void WriteObject(const ObjectNode& node, int depth) {
        Require(depth < kMaxDepth, "objects nested too deeply");
        Require(IsName(node.name), "object name " + Quoted(node.name));
        Require(IsName(node.className), "class name " + Quoted(node.className));
        Indent(depth);
        out_ += "object " + node.name + ": " + node.className + "\n";
        for (const auto& property : node.properties) WriteProperty(property, depth + 1);
        for (const auto& child : node.children) WriteObject(child, depth + 1);
        Indent(depth);
        out_ += "end\n";
    }

    void WriteProperty(const PropertyAssignment& property, int level) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t dot = property.path.find('.', start);
            Require(IsName(std::string_view(property.path).substr(start, dot - start)), "property path " + Quoted(property.path));
            if (dot == std::string::npos) break;
            start = dot + 1;
        }
        Require(property.path != "end" && property.path != "object", "property path " + Quoted(property.path));
        Indent(level);
        out_ += property.path + " = ";
        std::visit([&](const auto& value) { WriteValue(value, level); }, property.value);
        out_ += "\n";
    }

    void WriteValue(bool value, int) { out_ += value ? "true" : "false"; }

    void WriteValue(std::int64_t value, int) {
        Require(value >= kMinInteger && value <= kMaxInteger, "integer " + std::to_string(value) + " out of range");
        if (value > std::numeric_limits<std::int32_t>::max()) {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(value));
            out_ += buffer;
        } else {
            out_ += std::to_string(value);
        }
    }

    void WriteValue(const std::string& text, int level) {
        out_ += '"';
        std::size_t column = 0;  // characters in the current piece
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            switch (byte) {
                case '"': out_ += "\\\""; break;
                case '\\': out_ += "\\\\"; break;
                case '\r': out_ += "\\r"; break;
                case '\n': out_ += "\\n"; break;
                case '\t': out_ += "\\t"; break;
                default:
                    if (byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 ||
                        byte == 0x9D) {
                        out_ += "\\x" + HexByte(byte);
                    } else {
                        out_ += base::Cp1252ToUtf8(std::string_view(&text[i], 1));
                    }
            }
            ++column;
            const bool more = i + 1 < text.size();
            if (more && (byte == '\n' || (byte == ' ' && column >= 60) || column >= 100)) {
                out_ += "\"\n";
                Indent(level + 1);
                out_ += '"';
                column = 0;
            }
        }
        out_ += '"';
    }

    void WriteValue(const Identifier& identifier, int) {
        Require(IsName(identifier.name) && identifier.name != "true" && identifier.name != "false",
                "identifier " + Quoted(identifier.name));
        out_ += identifier.name;
    }

    void WriteValue(const IdentifierSet& set, int) {
        out_ += '[';
        for (std::size_t i = 0; i < set.members.size(); ++i) {
            Require(IsName(set.members[i]), "set member " + Quoted(set.members[i]));
            if (i > 0) out_ += ", ";
            out_ += set.members[i];
        }
        out_ += ']';
    }

    void WriteValue(const Bytes& bytes, int level) {
        if (bytes.empty()) {
            out_ += "{}";
            return;
        }
        out_ += '{';
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i % 32 == 0) {
                out_ += '\n';
                Indent(level + 1);
            }
            out_ += HexByte(bytes[i]);
        }
        out_ += '\n';
        Indent(level);
        out_ += '}';
    }

    std::string out_;
};

}  // namespace

std::string WriteDescription(const ObjectNode& node) { return Writer().Write(node); }

}  // namespace fw
