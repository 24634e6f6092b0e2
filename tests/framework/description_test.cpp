// The description text: what the parser accepts and rejects, and the writer's normal form.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework/Description.h"
#include "framework/description_fakes.h"

namespace {

using fw::Bytes;
using fw::Identifier;
using fw::IdentifierSet;
using fw::ObjectNode;
using fw::PropertyAssignment;

using fakes::U8;

ObjectNode Parse(std::string_view text) { return fw::ParseDescription(text, "Main.desc"); }

ObjectNode Node(std::string name, std::string className, std::vector<PropertyAssignment> properties,
                std::vector<ObjectNode> children = {}) {
    return {std::move(name), std::move(className), 0, std::move(properties), std::move(children)};
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

const Bytes kPngStart = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0xFF};

const ObjectNode& ExpectedTree() {
    static const ObjectNode tree = Node(
        "frmMain", "TfrmMain",
        {{"Caption", std::string("Cria\xE7\xE3o \"v\"\r\n")},
         {"ClientWidth", std::int64_t{580}},
         {"Color", Identifier{"clBtnFace"}},
         {"Font.Style", IdentifierSet{{"fsBold", "fsItalic"}}},
         {"Visible", true},
         {"Tag", std::int64_t{-16}}},
        {Node("Image1", "TImage", {{"Picture.Data", kPngStart}, {"Style", IdentifierSet{}}}),
         Node("Panel", "TPanel", {}, {Node("Inner", "TPanel", {})})});
    return tree;
}

const std::string kCanonical = U8(u8R"(object frmMain: TfrmMain
  Caption = "Criação \"v\"\r\n"
  ClientWidth = 580
  Color = clBtnFace
  Font.Style = [fsBold, fsItalic]
  Visible = true
  Tag = -16
  object Image1: TImage
    Picture.Data = {89504E470D0A1A0A00FF}
    Style = []
  end
  object Panel: TPanel
    object Inner: TPanel
    end
  end
end
)");

struct Variant {
    const char* what;
    std::string text;
};

// Every accepted spelling of the same description gives the same tree.
TEST(DescriptionSyntax, AcceptedVariantsGiveTheSameTree) {
    const Variant variants[] = {
        {"normal form", kCanonical},
        {"tabs, no blanks, hex integers and escapes",
         "object frmMain:TfrmMain\n\tCaption=\"Cria\\xE7\\xe3o \\x22v\\x22\\x0D\\x0A\"\n\tClientWidth=0x244\n"
         "\tColor=clBtnFace\n\tFont.Style=[fsBold,fsItalic]\n\tVisible=true\n\tTag=-0X10\n"
         "\tobject Image1:TImage\n\t\tPicture.Data={89504e470d0a1a0a00ff}\n\t\tStyle=[ ]\n\tend\n"
         "\tobject Panel:TPanel\n\t\tobject Inner:TPanel\n\t\tend\n\tend\nend"},
        {"byte-order mark, CR LF and a comment on every line",
         "\xEF\xBB\xBF# heading\r\n" + Replace(kCanonical, "\n", "  # note \"x\" {\r\n")},
        {"strings joined across lines, sets and binary over several lines", U8(u8R"(
# the window
object frmMain: TfrmMain
  Caption = "Cria" "ção "
    + "\"v\""   # joined with +
    "" "\r\n"

  ClientWidth = 0580
  Color = clBtnFace
  Font.Style = [
    fsBold ,
    fsItalic ]
  Visible = true
  Tag = -16
  object Image1: TImage
    Picture.Data = {
      89 50 4E 47  # signature
      0D0A1A0A
      00 FF }
    Style = []
  end
  object Panel: TPanel
    object Inner: TPanel
    end
  end
end

)")},
    };
    for (const auto& variant : variants) {
        ObjectNode tree;
        ASSERT_NO_THROW(tree = Parse(variant.text)) << variant.what;
        EXPECT_EQ(tree, ExpectedTree()) << variant.what << "\n" << fw::WriteDescription(tree);
    }
}

struct Rejected {
    std::string text;
    int line;
    const char* where;
    const char* reason;
};

// Each malformed text is refused with the line and the object.property it concerns.
TEST(DescriptionSyntax, RejectedFormsNameTheirPlace) {
    const std::string head = "object f: TfrmMain\n";
    std::string deep;
    for (int i = 0; i < 70; ++i) deep += "object o" + std::to_string(i) + ": T\n";
    const Rejected cases[] = {
        {"", 1, "", "expected 'object'"},
        {"  # only a comment\n", 2, "", "expected 'object'"},
        {head + "  X = 1\n", 1, "f", "without 'end'"},
        {head + "  X =\nend\n", 2, "f.X", "expected a value after '='"},
        {head + "  X 5\nend\n", 2, "f.X", "expected '='"},
        {head + "  Caption = \"abc\nend\n", 2, "f.Caption", "unterminated string"},
        {head + "  Caption = \"a\\qb\"\nend\n", 2, "f.Caption", "unknown escape"},
        {head + "  Caption = \"a\\xG1\"\nend\n", 2, "f.Caption", "two hex digits"},
        {head + "  X = 1\n  Caption = \"" + U8(u8"seta →") + "\"\nend\n", 3, "f.Caption", "outside Windows-1252"},
        {head + "  Caption = \"\xC3(\"\nend\n", 2, "f.Caption", "outside Windows-1252"},
        {head + "  Caption = \"a\x01\"\nend\n", 2, "f.Caption", "control character"},
        {head + "  Caption = \"a\" + 5\nend\n", 2, "f.Caption", "expected a string after '+'"},
        {head + "  Tag = 4294967296\nend\n", 2, "f.Tag", "out of 32-bit range"},
        {head + "  Tag = -2147483649\nend\n", 2, "f.Tag", "out of 32-bit range"},
        {head + "  Tag = 99999999999999999999999\nend\n", 2, "f.Tag", "out of 32-bit range"},
        {head + "  Tag = 0x\nend\n", 2, "f.Tag", "expected hex digits"},
        {head + "  Tag = 12ab\nend\n", 2, "f.Tag", "malformed number"},
        {head + "  Tag = - 5\nend\n", 2, "f.Tag", "expected digits after '-'"},
        {head + "  Data = {ABC}\nend\n", 2, "f.Data", "odd number of hex digits"},
        {head + "  Data = {AB\n  G1}\nend\n", 3, "f.Data", "expected hex digits or '}'"},
        {head + "  Data = {AB\n  CD\n", 2, "f.Data", "without '}'"},
        {head + "  Style = [a b]\nend\n", 2, "f.Style", "expected ',' or ']'"},
        {head + "  Style = [a,]\nend\n", 2, "f.Style", "expected a set member"},
        {head + "  Color = cl.Black\nend\n", 2, "f.Color", "dotted"},
        {head + "  Color = @\nend\n", 2, "f.Color", "unexpected character '@'"},
        {head + "  Fill. = 1\nend\n", 2, "f", "expected a name after '.'"},
        {head + "  A = 1 B = 2\nend\n", 2, "f", "expected the end of the line"},
        {"object f: T X = 1\nend\n", 1, "f", "expected the end of the line"},
        {head + "end end\n", 2, "f", "expected the end of the line"},
        {"object f T\nend\n", 1, "f", "expected ':'"},
        {"object 5: T\nend\n", 1, "", "expected an object name"},
        {head + "  object b: T\n  end\n  Y = 1\nend\n", 4, "f.Y", "properties come first"},
        {head + "  object Btn: T\n  end\n  object btn: T\n  end\nend\n", 4, "btn", "duplicate object name"},
        {head + "  object F: T\n  end\nend\n", 2, "F", "duplicate object name"},
        {head + "end\nobject g: T\nend\n", 3, "", "after the root"},
        {head + deep, 65, "o62", "nested too deeply"},
    };
    for (const auto& c : cases) {
        try {
            Parse(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const fw::DescriptionError& e) {
            EXPECT_EQ(e.File(), "Main.desc") << c.text;
            EXPECT_EQ(e.Line(), c.line) << e.what();
            EXPECT_EQ(e.Where(), c.where) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
            const std::string prefix = "Main.desc:" + std::to_string(c.line) + ": ";
            EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
        }
    }
}

TEST(DescriptionSyntax, IntegersSpanSignedAndUnsigned32Bits) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"-2147483648", -2147483648LL}, {"-0x80000000", -2147483648LL}, {"4294967295", 4294967295LL},
        {"0xFFFFFFFF", 4294967295LL},   {"0xff00000f", 0xFF00000FLL},   {"-0", 0},
    };
    for (const auto& [text, value] : cases) {
        const ObjectNode tree = Parse(std::string("object f: T\n  Tag = ") + text + "\nend\n");
        EXPECT_EQ(tree.properties.at(0).value, fw::Value{value}) << text;
        EXPECT_EQ(Parse(fw::WriteDescription(tree)), tree) << text;
    }
}

// Any byte string, controls and the code page's undefined bytes included, reads back as written.
TEST(DescriptionText, EveryByteOfAStringAndOfBinaryDataSurvives) {
    std::string all;
    Bytes bytes;
    for (int i = 0; i < 256; ++i) {
        all += static_cast<char>(i);
        bytes.push_back(static_cast<std::uint8_t>(255 - i));
    }
    const ObjectNode tree = Node("f", "T", {{"Caption", all}, {"Data", bytes}});
    const std::string written = fw::WriteDescription(tree);
    EXPECT_EQ(Parse(written), tree) << written;
    EXPECT_EQ(written.find('\0'), std::string::npos);
}

// The normal form: a long text is split into pieces (after line breaks, or at a blank), binary
// data into lines of 32 bytes, and writing what was read gives the same text again.
TEST(DescriptionWriter, LongValuesAreSplitAndTheFormIsStable) {
    const std::string label10 =
        "Se instalou o servidor com esta ferramenta n\xE3o dever\xE1 alterar os campos abaixo, simplesmente prima "
        "\"Seguinte\".\r\n\r\nPor favor introduza o nome do servidor SQL onde a base de dados ir\xE1 ser instalada. "
        "\xC9 necess\xE1rio introduzir tamb\xE9m o nome e password de um utilizador com direitos de administra\xE7\xE3o "
        "nesse servidor.";
    const ObjectNode tree = Node("f", "T", {{"Caption", label10}, {"Data", Bytes(70, 0xAB)}, {"Tag", std::int64_t{1}}},
                                 {Node("c", "T", {{"Color", std::int64_t{0xFF00000F}}})});
    const std::string written = fw::WriteDescription(tree);
    EXPECT_EQ(Parse(written), tree) << written;
    EXPECT_EQ(fw::WriteDescription(Parse(written)), written);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = written.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(written.substr(start, end - start));
    }
    std::vector<std::size_t> hexLines;  // lengths of the lines of binary data
    for (const auto& line : lines) {
        EXPECT_LE(line.size(), 110u) << line;
        const std::size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line.find_first_not_of("AB", start) == std::string::npos) {
            hexLines.push_back(line.size() - start);
        }
    }
    EXPECT_EQ(hexLines, (std::vector<std::size_t>{64, 64, 12}));  // 32 + 32 + 6 bytes
    EXPECT_GE(std::count(written.begin(), written.end(), '\n'), 10) << written;
    EXPECT_NE(written.find("0xFF00000F"), std::string::npos) << written;
}

// Trees that no text could give are refused rather than written into something else.
TEST(DescriptionWriter, RefusesTreesWithoutAText) {
    const ObjectNode cases[] = {
        Node("a b", "T", {}),
        Node("f", "", {}),
        Node("f", "T", {{"Fill..Color", true}}),
        Node("f", "T", {{"end", true}}),
        Node("f", "T", {{"Color", Identifier{"true"}}}),
        Node("f", "T", {{"Color", Identifier{"cl-Black"}}}),
        Node("f", "T", {{"Style", IdentifierSet{{"fsBold", ""}}}}),
        Node("f", "T", {{"Tag", std::int64_t{4294967296LL}}}),
        Node("f", "T", {}, {Node("", "T", {})}),
    };
    for (const auto& tree : cases) {
        EXPECT_THROW(fw::WriteDescription(tree), std::invalid_argument) << tree.name;
    }
}

}  // namespace
