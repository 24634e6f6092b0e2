#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ProvisioningFakes.h"
#include "provisioning/DataLinkFile.h"
#include "provisioning/UserTexts.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The expected UTF-16LE of an ASCII line and its CR LF, written out independently of the code.
Bytes AsciiLine(std::string_view line) {
    Bytes bytes;
    for (char c : line) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    for (std::uint8_t b : {0x0D, 0x00, 0x0A, 0x00}) bytes.push_back(b);
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::string_view kExampleLine =
    "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=sa;Initial Catalog=velmopos_1_0;Data Source=srv";

TEST(DataLinkFile, ExampleFileByteForByte) {
    ASSERT_EQ(kExampleLine.size(), 112u);
    const Bytes header = AsciiLine("[oledb]");
    const Bytes comment = AsciiLine("; Everything after this line is an OLE DB initstring");
    const Bytes line = AsciiLine(kExampleLine);
    EXPECT_EQ(header.size(), 18u);
    EXPECT_EQ(comment.size(), 108u);
    EXPECT_EQ(line.size(), 228u);

    const Bytes file = prov::DataLinkFileBytes(kExampleLine);
    EXPECT_EQ(file, Concat({{0xFF, 0xFE}, header, comment, line}));
    EXPECT_EQ(file.size(), 132u + 2 * 112);
}

TEST(DataLinkFile, WrittenBesideTheWizardUnderTheProductName) {
    provtest::Journal journal;
    provtest::FakeFiles files(journal);
    EXPECT_FALSE(prov::WriteDataLinkFile("C:\\Loja\\", "VelmoPos", {"srv", "sa", "", "velmopos_1_0"}, files));
    ASSERT_EQ(files.written.size(), 1u);
    EXPECT_EQ(files.written.begin()->first, "C:\\Loja\\VelmoPos.udl");
    EXPECT_EQ(files.written.begin()->second, prov::DataLinkFileBytes(kExampleLine));
}

// A file that cannot be written names itself and the system's reason, for the warning.
TEST(DataLinkFile, AFailedWriteNamesTheFileAndTheReason) {
    provtest::Journal journal;
    provtest::FakeFiles files(journal);
    files.refuseWrites = "Access denied";
    const auto failure = prov::WriteDataLinkFile("C:\\Loja\\", "VelmoRest", {"srv", "sa", "", "d"}, files);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->path, "C:\\Loja\\VelmoRest.udl");
    EXPECT_EQ(failure->reason, "Access denied");

    const prov::OwnedUserMessage warning = prov::DataLinkWriteWarning(failure->path, failure->reason);
    EXPECT_EQ(warning.text,
              "N\xE3o foi poss\xEDvel gravar o ficheiro de liga\xE7\xE3o \"C:\\Loja\\VelmoRest.udl\":\nAccess denied.\n"
              "O programa n\xE3o poder\xE1 ligar-se \xE0 base de dados sem ele.");
    EXPECT_EQ(warning.caption, "Aviso");
    EXPECT_EQ(warning.flags, 0x30u) << "OK, warning icon";
}

// The file holds what the wizard connects with: the text goes through the ANSI code page.
TEST(DataLinkFile, HighBytesAreWidenedThroughTheCodePage) {
    struct Case {
        const char* label;
        std::string text;
        Bytes units;
    };
    const Case cases[] = {
        {"c cedilla keeps its value", "\xE7", {0xE7, 0x00}},
        {"euro sign becomes U+20AC", "\x80", {0xAC, 0x20}},
        {"left double quote becomes U+201C", "\x93", {0x1C, 0x20}},
        {"undefined byte keeps its value", "\x81", {0x81, 0x00}},
        {"byte FF", "\xFF", {0xFF, 0x00}},
    };
    for (const Case& c : cases) {
        prov::WideLineArea area;
        const int count = area.EncodeWideLine(c.text);
        const auto bytes = area.Bytes(count);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), Concat({c.units, {0x0D, 0x00, 0x0A, 0x00}})) << c.label;
    }
}

std::u16string OneUnitPerTwoBytes(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); i += 2) out += static_cast<char16_t>(0x4E00 + i);
    return out;
}

// The count is that of the widened line (a double-byte code page widens two bytes to one unit).
TEST(DataLinkFile, TheWideningFunctionDecidesTheUnits) {
    prov::WideLineArea area(OneUnitPerTwoBytes);
    const int count = area.EncodeWideLine("abcd");
    EXPECT_EQ(count, 2 * 2 + 4);
    const auto bytes = area.Bytes(count);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), (Bytes{0x00, 0x4E, 0x02, 0x4E, 0x0D, 0x00, 0x0A, 0x00}));
}

TEST(DataLinkFile, LineAreaGrowsAndEveryLineStartsAfresh) {
    prov::WideLineArea area;
    struct Step {
        std::string line;
        int count;
    };
    const Step steps[] = {{"", 4}, {std::string(5000, 'x'), 10004}, {"ab", 8}, {std::string(20000, 'y'), 40004}, {"", 4}};
    for (const Step& step : steps) {
        const int count = area.EncodeWideLine(step.line);
        ASSERT_EQ(count, step.count) << step.line.size();
        const auto bytes = area.Bytes(count);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), AsciiLine(step.line)) << step.line.size();
        EXPECT_EQ(area.Bytes(count + 1).back(), 0) << "uncounted zero after a line of " << step.line.size();
    }
}

TEST(DataLinkFile, TenThousandCharacterPasswordIsWrittenWhole) {
    const std::string password(10000, 'p');
    const std::string connection = prov::DatabaseConnectionString({"srv", "sa", password, "velmopos_1_0"});
    ASSERT_EQ(connection.size(), 112u + 10000);
    const Bytes file = prov::DataLinkFileBytes(connection);
    EXPECT_EQ(file.size(), 132u + 2 * connection.size());
    EXPECT_EQ(Bytes(file.begin() + 128, file.end()), AsciiLine(connection));
}

TEST(DataLinkFile, QuotedValuesStandQuotedInTheFile) {
    const std::string connection = prov::DatabaseConnectionString({"srv", "sa", "a;b", "loja"});
    const Bytes file = prov::DataLinkFileBytes(connection);
    EXPECT_EQ(Bytes(file.begin() + 128, file.end()),
              AsciiLine("Provider=SQLOLEDB.1;Password=\"a;b\";Persist Security Info=True;User ID=sa;"
                        "Initial Catalog=loja;Data Source=srv"));
}

}  // namespace
