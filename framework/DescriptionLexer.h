#pragma once
// The description's lexer (framework/Description.h; the grammar is at the top of
// DescriptionParser.cpp). Internal to the description's files.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Text.h"
#include "framework/DescriptionSyntax.h"
#include "framework/Properties.h"

namespace fw::description {

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
            const auto converted = base::Utf8ToCp1252(text_.substr(runStart, end - runStart));
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

}  // namespace fw::description
