// The description format, and the parser that reads it into a tree (framework/Description.h).
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
// The lexer is framework/DescriptionLexer.h, the writer DescriptionWriter.cpp.

#include <string>
#include <unordered_set>

#include "base/Text.h"
#include "framework/Description.h"
#include "framework/DescriptionLexer.h"
#include "framework/DescriptionSyntax.h"

namespace fw {
namespace {

using namespace description;

std::string FormatError(const std::string& file, int line, const std::string& where, const std::string& reason) {
    std::string text = file + ":" + std::to_string(line) + ": ";
    if (!where.empty()) text += where + ": ";
    return text + reason;
}

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
        if (!names_.insert(base::ToLowerAscii(node.name)).second) Fail(header.line, "duplicate object name");
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

}  // namespace

DescriptionError::DescriptionError(std::string file, int line, std::string where, const std::string& reason)
    : std::runtime_error(FormatError(file, line, where, reason)),
      file_(std::move(file)),
      line_(line),
      where_(std::move(where)) {}

ObjectNode ParseDescription(std::string_view text, std::string_view fileName) {
    return Parser(text, fileName).ParseRoot();
}

}  // namespace fw
