// The description format.
//
// The file is UTF-8 (a leading byte-order mark is skipped); lines end with LF or CR LF. Blanks
// (spaces, tabs) are free between tokens, and `#` starts a comment that runs to the end of the
// line (outside strings). Keywords are lower case: `object`, `end`, `true`, `false`.
//
//   description := object                      (exactly one root object; nothing after it)
//   object      := "object" name ":" class NL { property NL } { object } "end" NL
//   property    := path "=" value
//   path        := name { "." name }           (no blanks around the dots: "Caption.Font.Name")
//   name, class := letter-or-underscore { letter | digit | underscore }   (ASCII)
//   value       := "true" | "false" | integer | strings | name | set | binary
//   integer     := [ "-" ] digits | [ "-" ] ( "0x" | "0X" ) hex-digits
//   strings     := string { [ "+" ] string }   (adjacent strings are joined, across lines too)
//   string      := '"' { character | escape } '"'        (on one line)
//   escape      := \" | \\ | \r | \n | \t | \xHH   (\xHH is the Windows-1252 byte HH)
//   set         := "[" [ name { "," name } ] "]"
//   binary      := "{" { hex-digit hex-digit } "}"       (blanks, line ends and comments may
//                                                         stand between byte pairs)
//
// Rules beyond the grammar:
// - Every statement (object header, property, `end`) starts on a line of its own. A value starts
//   on the line of its "="; a multi-line value (joined strings, a set, binary data) may run over
//   the following lines.
// - Within a block the properties come first, then the nested objects, so the tree keeps the
//   file's order.
// - Object names are unique in the whole description (case-insensitively), the root's included:
//   every object ends up owned by the root.
// - Integers lie between -2^31 and 2^32 - 1: a 32-bit value signed, or unsigned (colours such as
//   0xFF00000F). Whether the value fits its property is checked when it is applied.
// - Strings become Windows-1252; a character outside that code page, malformed UTF-8 or a raw
//   control character other than a tab is an error. `true`/`false` are keywords, any other bare
//   name is an identifier (an enumeration member, a colour name, a handler or a component).
// - Objects nest at most kMaxDepth deep.
//
// Writing produces the normal form: two blanks of indentation per level, "Name = value", strings
// split after every "\n" escape and at a blank past column 60 (continuation lines indented), the
// bytes 00..1F, 7F and the code page's five undefined bytes as \xHH, others as UTF-8; integers
// above 2^31 - 1 in hexadecimal, others in decimal; binary data as lines of 32 bytes.

#include "framework/Description.h"

#include <cstdio>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "framework/Colour.h"
#include "framework/Text.h"

namespace fw {
namespace {

constexpr int kMaxDepth = 64;
constexpr std::int64_t kMinInteger = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMaxInteger = std::numeric_limits<std::uint32_t>::max();

std::string FormatError(const std::string& file, int line, const std::string& where, const std::string& reason) {
    std::string text = file + ":" + std::to_string(line) + ": ";
    if (!where.empty()) text += where + ": ";
    return text + reason;
}

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsName(std::string_view text) {
    if (text.empty() || !IsNameStart(text[0])) return false;
    for (char c : text) {
        if (!IsNameChar(c)) return false;
    }
    return true;
}

std::string HexByte(unsigned char byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            out += "\\x" + HexByte(byte);
        } else {
            out += c;
        }
    }
    return out + "'";
}

// ---------------------------------------------------------------------------------------------
// Lexer: one token of look-ahead. A malformed token becomes an Error token, reported when the
// parser takes it, so the message names the statement it belongs to.

enum class TokenKind { Word, Integer, String, Binary, Plus, Colon, Equals, OpenSet, CloseSet, Comma, Error, End };

struct Token {
    TokenKind kind = TokenKind::End;
    int line = 1;
    bool firstOnLine = false;  // no other token before it on its line
    std::string text;          // Word: the name or path; String: Windows-1252 text; Error: reason
    std::int64_t number = 0;
    Bytes bytes;
};

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    }

    const Token& Peek() {
        if (!peeked_) {
            next_ = Lex();
            peeked_ = true;
        }
        return next_;
    }

    Token Take() {
        Peek();
        peeked_ = false;
        return std::move(next_);
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                newLine_ = true;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++pos_;
            } else if (c == '#') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else {
                break;
            }
        }
    }

    Token Lex() {
        SkipBlanks();
        Token token;
        token.line = line_;
        token.firstOnLine = newLine_;
        newLine_ = false;
        if (pos_ >= text_.size()) {
            token.kind = TokenKind::End;
            return token;
        }
        const char c = text_[pos_];
        if (IsNameStart(c)) return LexWord(std::move(token));
        if (IsDigit(c) || c == '-') return LexInteger(std::move(token));
        if (c == '"') return LexString(std::move(token));
        if (c == '{') return LexBinary(std::move(token));
        ++pos_;
        switch (c) {
            case '+': token.kind = TokenKind::Plus; return token;
            case ':': token.kind = TokenKind::Colon; return token;
            case '=': token.kind = TokenKind::Equals; return token;
            case '[': token.kind = TokenKind::OpenSet; return token;
            case ']': token.kind = TokenKind::CloseSet; return token;
            case ',': token.kind = TokenKind::Comma; return token;
            default: return Error(std::move(token), "unexpected character " + Quoted(std::string_view(&c, 1)));
        }
    }

    Token Error(Token token, std::string reason) {
        token.kind = TokenKind::Error;
        token.text = std::move(reason);
        pos_ = text_.size();  // nothing after an error is read
        return token;
    }

    Token LexWord(Token token) {
        const std::size_t start = pos_;
        for (;;) {
            while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
            if (pos_ >= text_.size() || text_[pos_] != '.') break;
            ++pos_;
            if (pos_ >= text_.size() || !IsNameStart(text_[pos_])) {
                return Error(std::move(token), "expected a name after '.'");
            }
        }
        token.kind = TokenKind::Word;
        token.text = std::string(text_.substr(start, pos_ - start));
        return token;
    }

    Token LexInteger(Token token) {
        bool negative = false;
        if (text_[pos_] == '-') {
            negative = true;
            ++pos_;
            if (pos_ >= text_.size() || !IsDigit(text_[pos_])) return Error(std::move(token), "expected digits after '-'");
        }
        int base = 10;
        if (text_[pos_] == '0' && pos_ + 1 < text_.size() && (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X')) {
            base = 16;
            pos_ += 2;
        }
        std::uint64_t value = 0;
        bool tooLarge = false;
        std::size_t digits = 0;
        while (pos_ < text_.size()) {
            const int digit = base == 16 ? HexValue(text_[pos_]) : (IsDigit(text_[pos_]) ? text_[pos_] - '0' : -1);
            if (digit < 0) break;
            value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
            if (value > static_cast<std::uint64_t>(kMaxInteger)) {
                tooLarge = true;
                value = static_cast<std::uint64_t>(kMaxInteger) + 1;  // keeps the product small
            }
            ++digits;
            ++pos_;
        }
        if (digits == 0) return Error(std::move(token), "expected hex digits after '0x'");
        if (pos_ < text_.size() && (IsNameChar(text_[pos_]) || text_[pos_] == '.')) {
            return Error(std::move(token), "malformed number");
        }
        const auto signedValue = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
        if (tooLarge || signedValue < kMinInteger) return Error(std::move(token), "integer out of 32-bit range");
        token.kind = TokenKind::Integer;
        token.number = signedValue;
        return token;
    }

    Token LexString(Token token) {
        ++pos_;  // opening quote
        std::string bytes;   // Windows-1252
        std::size_t runStart = pos_;  // start of the UTF-8 run not yet converted
        auto flushRun = [&](std::size_t end) {
            const auto converted = Utf8ToCp1252(text_.substr(runStart, end - runStart));
            if (!converted) return false;
            bytes += *converted;
            return true;
        };
        for (;;) {
            if (pos_ >= text_.size() || text_[pos_] == '\n') return Error(std::move(token), "unterminated string");
            const char c = text_[pos_];
            if (c == '"') {
                if (!flushRun(pos_)) return Error(std::move(token), "text outside Windows-1252 (or malformed UTF-8) in a string");
                ++pos_;
                break;
            }
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                return Error(std::move(token), "control character in a string (write it as an escape)");
            }
            if (c != '\\') {
                ++pos_;
                continue;
            }
            if (!flushRun(pos_)) return Error(std::move(token), "text outside Windows-1252 (or malformed UTF-8) in a string");
            if (pos_ + 1 >= text_.size()) return Error(std::move(token), "unterminated string");
            const char escape = text_[pos_ + 1];
            pos_ += 2;
            switch (escape) {
                case '"': bytes += '"'; break;
                case '\\': bytes += '\\'; break;
                case 'r': bytes += '\r'; break;
                case 'n': bytes += '\n'; break;
                case 't': bytes += '\t'; break;
                case 'x': {
                    const int high = pos_ < text_.size() ? HexValue(text_[pos_]) : -1;
                    const int low = pos_ + 1 < text_.size() ? HexValue(text_[pos_ + 1]) : -1;
                    if (high < 0 || low < 0) return Error(std::move(token), "\\x needs two hex digits");
                    bytes += static_cast<char>(high * 16 + low);
                    pos_ += 2;
                    break;
                }
                default:
                    return Error(std::move(token), "unknown escape " + Quoted(std::string{'\\', escape}));
            }
            runStart = pos_;
        }
        token.kind = TokenKind::String;
        token.text = std::move(bytes);
        return token;
    }

    Token LexBinary(Token token) {
        ++pos_;  // opening brace
        Bytes bytes;
        for (;;) {
            SkipBlanks();
            newLine_ = false;  // line ends inside the braces belong to the value
            if (pos_ >= text_.size()) return Error(std::move(token), "binary data without '}'");
            const char c = text_[pos_];
            if (c == '}') {
                ++pos_;
                break;
            }
            const int high = HexValue(c);
            if (high < 0) {
                token.line = line_;
                return Error(std::move(token), "expected hex digits or '}' in binary data");
            }
            const int low = pos_ + 1 < text_.size() ? HexValue(text_[pos_ + 1]) : -1;
            if (low < 0) {
                token.line = line_;
                return Error(std::move(token), "odd number of hex digits in binary data");
            }
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
            pos_ += 2;
        }
        token.kind = TokenKind::Binary;
        token.bytes = std::move(bytes);
        return token;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
    bool newLine_ = true;  // the first token starts its line
    Token next_;
    bool peeked_ = false;
};

// ---------------------------------------------------------------------------------------------
// Parser

class Parser {
public:
    Parser(std::string_view text, std::string_view fileName) : lexer_(text), file_(fileName) {}

    ObjectNode ParseRoot() {
        Token first = Take();
        if (first.kind != TokenKind::Word || first.text != "object") Fail(first.line, "expected 'object'");
        ObjectNode root;
        ParseObject(root, first, 1);
        where_.clear();
        const Token rest = Take();
        if (rest.kind != TokenKind::End) Fail(rest.line, "unexpected text after the root object's 'end'");
        return root;
    }

private:
    [[noreturn]] void Fail(int line, const std::string& reason) { throw DescriptionError(file_, line, where_, reason); }

    Token Take() {
        Token token = lexer_.Take();
        if (token.kind == TokenKind::Error) Fail(token.line, token.text);
        return token;
    }

    std::string TakeName(const char* what) {
        Token token = Take();
        if (token.kind != TokenKind::Word || !IsName(token.text)) Fail(token.line, std::string("expected ") + what);
        return std::move(token.text);
    }

    void ExpectLineEnd(const Token& next) {
        if (!next.firstOnLine && next.kind != TokenKind::End) Fail(next.line, "expected the end of the line");
    }

    // `header` is the `object` keyword already taken.
    void ParseObject(ObjectNode& node, const Token& header, int depth) {
        if (!header.firstOnLine) Fail(header.line, "expected the end of the line");
        node.line = header.line;
        node.name = TakeName("an object name");
        where_ = node.name;
        if (!names_.insert(ToLowerAscii(node.name)).second) Fail(header.line, "duplicate object name");
        const Token colon = Take();
        if (colon.kind != TokenKind::Colon) Fail(colon.line, "expected ':' after the object name");
        node.className = TakeName("a class name");
        bool childSeen = false;
        for (;;) {
            where_ = node.name;
            Token token = Take();
            if (token.kind == TokenKind::End) Fail(node.line, "object without 'end'");
            ExpectLineEnd(token);
            if (token.kind != TokenKind::Word) Fail(token.line, "expected a property, 'object' or 'end'");
            if (token.text == "end") {
                ExpectLineEnd(lexer_.Peek());
                return;
            }
            if (token.text == "object") {
                if (depth >= kMaxDepth) Fail(token.line, "objects nested too deeply");
                childSeen = true;
                ObjectNode& child = node.children.emplace_back();
                ParseObject(child, token, depth + 1);
                continue;
            }
            where_ = node.name + "." + token.text;
            if (childSeen) Fail(token.line, "a property after a nested object (properties come first)");
            const Token equals = Take();
            if (equals.kind != TokenKind::Equals) Fail(equals.line, "expected '=' after the property name");
            PropertyAssignment assignment;
            assignment.path = std::move(token.text);
            assignment.line = token.line;
            assignment.value = ParseValue(token.line);
            node.properties.push_back(std::move(assignment));
        }
    }

    Value ParseValue(int line) {
        Token token = Take();
        if (token.firstOnLine) Fail(line, "expected a value after '='");
        switch (token.kind) {
            case TokenKind::Word:
                if (token.text == "true") return true;
                if (token.text == "false") return false;
                if (!IsName(token.text)) Fail(token.line, "expected a value, not a dotted name");
                return Identifier{std::move(token.text)};
            case TokenKind::Integer:
                return token.number;
            case TokenKind::String: {
                std::string text = std::move(token.text);
                for (;;) {
                    const TokenKind next = lexer_.Peek().kind;
                    if (next == TokenKind::String) {
                        text += Take().text;
                    } else if (next == TokenKind::Plus) {
                        Take();
                        const Token more = Take();
                        if (more.kind != TokenKind::String) Fail(more.line, "expected a string after '+'");
                        text += more.text;
                    } else {
                        return text;
                    }
                }
            }
            case TokenKind::OpenSet: {
                IdentifierSet set;
                if (lexer_.Peek().kind == TokenKind::CloseSet) {
                    Take();
                    return set;
                }
                for (;;) {
                    set.members.push_back(TakeName("a set member"));
                    const Token separator = Take();
                    if (separator.kind == TokenKind::CloseSet) return set;
                    if (separator.kind != TokenKind::Comma) Fail(separator.line, "expected ',' or ']' in a set");
                }
            }
            case TokenKind::Binary:
                return std::move(token.bytes);
            default:
                Fail(token.line, "expected a value");
        }
    }

    Lexer lexer_;
    std::string file_;
    std::string where_;
    std::unordered_set<std::string> names_;
};

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
                        out_ += Cp1252ToUtf8(std::string_view(&text[i], 1));
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

// ---------------------------------------------------------------------------------------------
// Values between their written form and the checked form the property tables use.

// From a description only the written forms are taken (enumerations by member name); from a
// table (`get`, `declaredDefault`) the checked forms are taken too. Returns the reason when the
// value does not fit.
std::variant<Value, std::string> Check(const PropertyInfo& property, const Value& value, bool fromDescription) {
    const auto* integer = std::get_if<std::int64_t>(&value);
    const auto* identifier = std::get_if<Identifier>(&value);
    switch (property.type) {
        case PropertyType::Bool:
            if (std::holds_alternative<bool>(value)) return value;
            return std::string("expected true or false");
        case PropertyType::Integer:
            if (!integer) return std::string("expected an integer");
            if (*integer < kMinInteger || *integer > std::numeric_limits<std::int32_t>::max()) {
                return std::string("integer out of 32-bit range");
            }
            return value;
        case PropertyType::String:
            if (std::holds_alternative<std::string>(value)) return value;
            return std::string("expected a string");
        case PropertyType::Binary:
            if (std::holds_alternative<Bytes>(value)) return value;
            return std::string("expected binary data");
        case PropertyType::Colour:
            if (integer) {
                if (*integer < kMinInteger || *integer > kMaxInteger) return std::string("integer out of 32-bit range");
                return Value{static_cast<std::int64_t>(static_cast<TColor>(*integer))};
            }
            if (identifier) {
                const auto colour = ColourFromName(identifier->name);
                if (!colour) return "unknown colour " + Quoted(identifier->name);
                return Value{static_cast<std::int64_t>(*colour)};
            }
            return std::string("expected a colour (a number or a colour name)");
        case PropertyType::Enum: {
            if (!property.enumInfo) throw std::logic_error("enumeration property without members: " + std::string(property.name));
            const auto& members = property.enumInfo->members;
            if (identifier) {
                const auto ordinal = property.enumInfo->Find(identifier->name);
                if (!ordinal) return "unknown member " + Quoted(identifier->name) + " of " + std::string(property.enumInfo->typeName);
                return Value{static_cast<std::int64_t>(*ordinal)};
            }
            if (integer && !fromDescription && *integer >= 0 && static_cast<std::size_t>(*integer) < members.size()) {
                return value;
            }
            return "expected a member of " + std::string(property.enumInfo->typeName);
        }
        case PropertyType::Set: {
            if (!property.enumInfo) throw std::logic_error("set property without members: " + std::string(property.name));
            const auto& members = property.enumInfo->members;
            if (const auto* set = std::get_if<IdentifierSet>(&value)) {
                std::uint64_t mask = 0;
                for (const auto& member : set->members) {
                    const auto ordinal = property.enumInfo->Find(member);
                    if (!ordinal) return "unknown member " + Quoted(member) + " of " + std::string(property.enumInfo->typeName);
                    if (*ordinal >= 63) throw std::logic_error("set type with more than 63 members");
                    mask |= std::uint64_t{1} << *ordinal;
                }
                return Value{static_cast<std::int64_t>(mask)};
            }
            if (integer && !fromDescription && *integer >= 0 && members.size() < 63 &&
                (static_cast<std::uint64_t>(*integer) >> members.size()) == 0) {
                return value;
            }
            return "expected a set of " + std::string(property.enumInfo->typeName) + " members, as [a, b]";
        }
        case PropertyType::Event:
        case PropertyType::Reference:
            if (identifier) return value;
            return std::string(property.type == PropertyType::Event ? "expected a handler name" : "expected a component name");
        case PropertyType::Object:
            break;
    }
    return "'" + std::string(property.name) + "' is an object: assign its properties (" + std::string(property.name) +
           ".Name = ...)";
}

// The written form of a checked value.
Value Written(const PropertyInfo& property, const Value& checked) {
    switch (property.type) {
        case PropertyType::Colour: {
            const auto colour = static_cast<TColor>(std::get<std::int64_t>(checked));
            if (const auto name = ColourName(colour)) return Identifier{std::string(*name)};
            return checked;
        }
        case PropertyType::Enum:
            return Identifier{std::string(property.enumInfo->members[static_cast<std::size_t>(std::get<std::int64_t>(checked))])};
        case PropertyType::Set: {
            const auto mask = static_cast<std::uint64_t>(std::get<std::int64_t>(checked));
            IdentifierSet set;
            for (std::size_t i = 0; i < property.enumInfo->members.size(); ++i) {
                if (mask & (std::uint64_t{1} << i)) set.members.emplace_back(property.enumInfo->members[i]);
            }
            return set;
        }
        default:
            return checked;
    }
}

// ---------------------------------------------------------------------------------------------
// Applying a tree

class Applier {
public:
    Applier(Component& root, const ClassRegistry& registry, std::string_view fileName)
        : root_(root), registry_(registry), file_(fileName) {}

    void Apply(const ObjectNode& node) {
        if (!EqualsIgnoreCase(node.className, root_.Class().name)) {
            Fail(node.line, node.name,
                 "the description is of class " + node.className + ", the window of class " + std::string(root_.Class().name));
        }
        if (!node.name.empty()) root_.SetName(node.name);
        if (!root_.Name().empty()) names_.emplace(ToLowerAscii(root_.Name()), &root_);
        for (const auto& owned : root_.Components()) {
            if (!owned->Name().empty()) names_.emplace(ToLowerAscii(owned->Name()), owned.get());
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
            const auto found = names_.find(ToLowerAscii(reference.name));
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
        const std::string key = ToLowerAscii(node.name);
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

DescriptionError::DescriptionError(std::string file, int line, std::string where, const std::string& reason)
    : std::runtime_error(FormatError(file, line, where, reason)),
      file_(std::move(file)),
      line_(line),
      where_(std::move(where)) {}

ObjectNode ParseDescription(std::string_view text, std::string_view fileName) {
    return Parser(text, fileName).ParseRoot();
}

std::string WriteDescription(const ObjectNode& node) { return Writer().Write(node); }

void ApplyDescription(const ObjectNode& node, Component& root, const ClassRegistry& registry, std::string_view fileName) {
    Applier(root, registry, fileName).Apply(node);
}

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
