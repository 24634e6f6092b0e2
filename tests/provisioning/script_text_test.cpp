#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "provisioning/ParameterMarkers.h"
#include "provisioning/ScriptText.h"
#include "provisioning/SqlStatements.h"

namespace {

using namespace std::string_literals;

struct ReadCase {
    const char* label;
    std::string bytes;
    std::string text;
};

const ReadCase kReadCases[] = {
    {"empty file", "", ""},
    {"first byte zero", "\0SELECT 1\r\n"s, ""},
    {"one line without an end", "SELECT 1", "SELECT 1\r\n"},
    {"CR LF", "a\r\nb\r\n", "a\r\nb\r\n"},
    {"LF alone", "a\nb\n", "a\r\nb\r\n"},
    {"CR alone", "a\rb\r", "a\r\nb\r\n"},
    {"mixed ends, last line open", "a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd\r\n"},
    {"CR CR LF: an empty line", "a\r\r\nb", "a\r\n\r\nb\r\n"},
    {"LF CR: two line ends", "a\n\rb", "a\r\n\r\nb\r\n"},
    {"blank lines kept", "\n\n", "\r\n\r\n"},
    {"line end only", "\r\n", "\r\n"},
    {"trailing empty lines", "a\r\n\r\n", "a\r\n\r\n"},
    {"zero byte ends the text", "a\nb\0c\nd"s, "a\r\nb\r\n"},
    {"zero byte right after a line end", "a\r\n\0b"s, "a\r\n"},
    {"zero byte between CR and LF", "a\r\0\nb"s, "a\r\n"},
    {"byte-order mark is text", "\xEF\xBB\xBFGO", "\xEF\xBB\xBFGO\r\n"},
    {"UTF-16 mark is text", "\xFF\xFE", "\xFF\xFE\r\n"},
    {"other bytes unchanged", "'\xE7\x80\x7F\x01'\x1A", "'\xE7\x80\x7F\x01'\x1A\r\n"},
    {"batch separator sent as is", "a\nGO\nb", "a\r\nGO\r\nb\r\n"},
};

TEST(ScriptText, ReadingRuleTable) {
    for (const ReadCase& c : kReadCases) EXPECT_EQ(prov::ScriptCommandText(c.bytes), c.text) << c.label;
}

// ---- The sample scripts shipped beside the wizard ------------------------------------------------

std::filesystem::path ProgramFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

std::string ReadScript(std::string_view name) {
    std::ifstream in(ProgramFolder() / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// table -> column -> type, from the CREATE TABLE statements of a script.
using Schema = std::map<std::string, std::map<std::string, std::string>>;

Schema ReadSchema(const std::string& text) {
    Schema schema;
    const std::regex table(R"(CREATE TABLE (\w+) \(\r\n([\s\S]*?)\r\n\))");
    const std::regex column(R"(^\s*(\w+) (\w+(\(\d+(,\d+)?\))?))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), table); it != std::sregex_iterator(); ++it) {
        auto& columns = schema[(*it)[1]];
        std::istringstream body((*it)[2]);
        for (std::string line; std::getline(body, line);) {
            std::smatch m;
            if (std::regex_search(line, m, column) && m[1] != "PRIMARY") columns[m[1]] = m[2];
        }
    }
    return schema;
}

// Splits "a, 'b, c', d" at the commas outside quotes.
std::vector<std::string> SplitValues(const std::string& list) {
    std::vector<std::string> values(1);
    bool quoted = false;
    for (char c : list) {
        if (c == '\'') quoted = !quoted;
        if (c == ',' && !quoted) {
            values.emplace_back();
        } else {
            values.back() += c;
        }
    }
    return values;
}

class SampleScripts : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::string_view name : {prov::kSchemaScript, prov::kDefaultDataScript, prov::kDemoDataScript}) {
            scripts_[std::string(name)] = ReadScript(name);
            ASSERT_FALSE(scripts_[std::string(name)].empty()) << name << " beside " << ProgramFolder();
        }
        schema_ = ReadSchema(prov::ScriptCommandText(scripts_["DBScript.inf"]));
    }
    std::map<std::string, std::string> scripts_;
    Schema schema_;
};

TEST_F(SampleScripts, AreWindows1252WithoutMarkersOrSeparators) {
    for (const auto& [name, bytes] : scripts_) {
        for (unsigned char byte : {0x00, 0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
            EXPECT_EQ(bytes.find(static_cast<char>(byte)), std::string::npos) << name << " holds byte " << int(byte);
        }
        const std::string text = prov::ScriptCommandText(bytes);
        EXPECT_TRUE(prov::ApplyParameterMarkers(text).names.empty()) << name << ": a colon outside quotes";
        EXPECT_EQ(std::count(text.begin(), text.end(), '\'') % 2, 0) << name << ": unbalanced quotes";
        EXPECT_FALSE(std::regex_search(text, std::regex(R"((^|\n)\s*GO\s*\r)", std::regex::icase))) << name;
    }
}

TEST_F(SampleScripts, SchemaHoldsEveryTableAndColumnTheSetUpNames) {
    std::vector<std::pair<std::string, std::string>> needed = {
        {"versao", "major"}, {"versao", "minor"}, {"versao", "loja"}, {"fullsync", "sync"}};
    for (const prov::RenumberChange& change : prov::RenumberChanges()) {
        needed.emplace_back(change.table, change.column);
    }
    for (const auto& [table, column] : needed) {
        ASSERT_TRUE(schema_.count(table)) << "no table " << table;
        ASSERT_TRUE(schema_[table].count(column)) << "no column " << table << "." << column;
        EXPECT_EQ(schema_[table][column], "int") << table << "." << column;
    }
}

TEST_F(SampleScripts, DataScriptsInsertIntoDeclaredColumnsOnly) {
    const std::regex insert(R"(INSERT INTO (\w+) \(([^)]*)\) VALUES \((.*)\)\r\n)");
    for (const std::string name : {"DBDefault.inf", "DBDemo.inf"}) {
        const std::string text = prov::ScriptCommandText(scripts_[name]);
        int inserts = 0;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), insert); it != std::sregex_iterator(); ++it) {
            ++inserts;
            const std::string table = (*it)[1];
            ASSERT_TRUE(schema_.count(table)) << name << ": " << it->str();
            const std::vector<std::string> columns = SplitValues((*it)[2]);
            EXPECT_EQ(columns.size(), SplitValues((*it)[3]).size()) << name << ": " << it->str();
            for (std::string column : columns) {
                column.erase(0, column.find_first_not_of(' '));
                EXPECT_TRUE(schema_[table].count(column)) << name << ": " << table << "." << column;
            }
        }
        EXPECT_GT(inserts, 10) << name;
    }
}

}  // namespace
