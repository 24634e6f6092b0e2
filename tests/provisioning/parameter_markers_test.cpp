#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "provisioning/ParameterMarkers.h"

namespace {

using prov::ApplyParameterMarkers;

struct MarkerCase {
    const char* label;
    std::string input;
    std::string text;
    std::vector<std::string> names;
};

const MarkerCase kMarkerCases[] = {
    {"no colon", "SELECT 1", "SELECT 1", {}},
    {"values list", "VALUES (:major, :minor, :loja)", "VALUES (?, ?, ?)", {"major", "minor", "loja"}},
    {"assignment then CR LF", "Set @loja=:loja\r\nupdate", "Set @loja=?\r\nupdate", {"loja"}},
    {"ends at space", "a :x b", "a ? b", {"x"}},
    {"ends at comma", ":x,1", "?,1", {"x"}},
    {"ends at semicolon", ":x;", "?;", {"x"}},
    {"ends at parenthesis", "(:x)", "(?)", {"x"}},
    {"ends at CR", ":x\rY", "?\rY", {"x"}},
    {"ends at LF", ":x\nY", "?\nY", {"x"}},
    {"runs to the end", "WHERE a=:last", "WHERE a=?", {"last"}},
    {"tab is part of the name", ":a\tb c", "? c", {"a\tb"}},
    {"other punctuation is part of the name", ":a.b+c d", "? d", {"a.b+c"}},
    {"quote is part of the name", ":a'b' c", "? c", {"a'b'"}},
    {"empty name before a delimiter", "x = : y", "x = ? y", {""}},
    {"lone colon at the end", "x:", "x?", {""}},
    {"doubled colon is one colon", "SELECT 'a'::b", "SELECT 'a':b", {}},
    {"doubled colon outside quotes", "a::b", "a:b", {}},
    {"three colons: one colon then a marker", ":::x y", ":? y", {"x"}},
    {"four colons: two colons", "::::", "::", {}},
    {"colon inside apostrophes", "'12:00' :p", "'12:00' ?", {"p"}},
    {"colon inside double quotes", "\"a:b\" :p", "\"a:b\" ?", {"p"}},
    {"colon inside backquotes", "`a:b` :p", "`a:b` ?", {"p"}},
    {"doubled colon inside a literal stays doubled", "'a::b'", "'a::b'", {}},
    {"one toggle for the three quotes", "'a\" :p", "'a\" ?", {"p"}},
    {"doubled apostrophe reopens the literal", "'it''s :x'", "'it''s :x'", {}},
    {"unterminated literal hides the rest", "'open :x", "'open :x", {}},
    {"marker then literal", ":a,'b:c',:d", "?,'b:c',?", {"a", "d"}},
    {"high bytes pass through", "'\xE7:\x80' :\xE7", "'\xE7:\x80' ?", {"\xE7"}},
    {"empty text", "", "", {}},
};

TEST(ParameterMarkers, RuleTable) {
    for (const MarkerCase& c : kMarkerCases) {
        const prov::MarkedText marked = ApplyParameterMarkers(c.input);
        EXPECT_EQ(marked.text, c.text) << c.label;
        EXPECT_EQ(marked.names, c.names) << c.label;
    }
}

TEST(ParameterMarkers, BindsByNameInMarkerOrderIgnoringCase) {
    const prov::IntParameter parameters[] = {{"loja", 7}, {"MAJOR", 5}, {"minor", 2}, {"loja", 99}};
    struct BindCase {
        const char* label;
        std::vector<std::string> markers;
        std::vector<std::optional<std::int32_t>> values;
    };
    const BindCase cases[] = {
        {"declaration order differs from marker order", {"major", "minor", "loja"}, {5, 2, 7}},
        {"a name used twice binds twice", {"loja", "Loja"}, {7, 7}},
        {"unknown name stays unassigned", {"major", "store"}, {5, std::nullopt}},
        {"empty marker name stays unassigned", {""}, {std::nullopt}},
        {"no markers", {}, {}},
    };
    for (const BindCase& c : cases) {
        EXPECT_EQ(prov::BindByName(c.markers, parameters), c.values) << c.label;
    }
}

TEST(ParameterMarkers, PreparedTextIsWidenedAfterTheRule) {
    const prov::PreparedText prepared = prov::PrepareText("SELECT '\x80:' , :p");
    EXPECT_EQ(prepared.text, u"SELECT '\u20AC:' , ?");
    EXPECT_EQ(prepared.names, std::vector<std::string>{"p"});
}

TEST(ParameterMarkers, EmptyCommandTextIsRefused) {
    EXPECT_THROW(prov::PrepareText(""), prov::DatabaseError);
    EXPECT_NO_THROW(prov::PrepareText("\r\n"));  // a line end is text
}

}  // namespace

// Where the markers stand in the original text (the script checker names their lines): the colon
// of each marker, and a '?' outside a literal, which the driver also takes for a marker.
TEST(ParameterMarkers, PositionsOfMarkersAndStrayQuestionMarks) {
    const prov::MarkedText marked = prov::ApplyParameterMarkers("a :x 'b :y ?' c::d ? \"?\" :z?");
    EXPECT_EQ(marked.at, (std::vector<std::size_t>{2, 25}));
    EXPECT_EQ(marked.names, (std::vector<std::string>{"x", "z?"}));
    EXPECT_EQ(marked.strayQuestionMarks, (std::vector<std::size_t>{19}));
    EXPECT_TRUE(prov::ApplyParameterMarkers("'?' `:` \"::\"").strayQuestionMarks.empty());
}
