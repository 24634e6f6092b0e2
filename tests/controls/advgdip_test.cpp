#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "controls/AdvGDIP.h"
#include "controls/GDIPPictureContainer.h"
#include "controls/GDIPicture.h"
#include "tests/controls/advgdip_png.h"

namespace {

using namespace ctl;
using Bytes = fw::Bytes;

Bytes B(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

Bytes Append(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Minimal headers of each format, sizes chosen so that byte order matters.
Bytes Gif(int w, int h) { return Append(B({'G', 'I', 'F', '8', '9', 'a'}), B({w & 0xFF, w >> 8, h & 0xFF, h >> 8, 0, 0, 0})); }
Bytes Bmp(int headerSize, int w, int h) {
    Bytes b = B({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, headerSize, 0, 0, 0});
    if (headerSize == 12) return Append(b, B({w & 0xFF, w >> 8, h & 0xFF, h >> 8, 1, 0, 24, 0}));
    const auto hh = static_cast<std::uint32_t>(h);
    return Append(b, B({w & 0xFF, (w >> 8) & 0xFF, 0, 0, int(hh & 0xFF), int((hh >> 8) & 0xFF), int((hh >> 16) & 0xFF),
                        int(hh >> 24), 1, 0, 32, 0}));
}
Bytes Jpeg(int w, int h) {
    // SOI, an APP0 segment to skip, a DHT marker (not a frame), then SOF2 (progressive).
    return Append(B({0xFF, 0xD8, 0xFF, 0xE0, 0, 6, 'J', 'F', 'I', 'F', 0xFF, 0xC4, 0, 3, 0, 0xFF, 0xFF, 0xC2, 0, 11, 8}),
                  B({h >> 8, h & 0xFF, w >> 8, w & 0xFF, 1, 1, 0x11, 0}));
}
Bytes TiffLittle(int w, int h) {
    // Header, IFD at 8 with two entries: width SHORT, height LONG.
    return B({'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0, 0, 1, 3, 0, 1, 0, 0, 0, w & 0xFF, w >> 8, 0, 0, 1, 1, 4, 0, 1, 0, 0, 0,
              h & 0xFF, h >> 8, 0, 0});
}
Bytes TiffBig(int w, int h) {
    return B({'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2, 1, 0, 0, 3, 0, 0, 0, 1, w >> 8, w & 0xFF, 0, 0, 1, 1, 0, 4, 0, 0, 0, 1,
              0, 0, h >> 8, h & 0xFF});
}

TEST(ImageHeader, EachReaderFindsTheSizeOfItsFormatAndNothingElse) {
    using Reader = std::optional<ImageSize> (*)(ByteView);
    struct Case {
        const char* name;
        Reader reader;
        Bytes bytes;
        std::optional<ImageSize> size;
    };
    const Bytes png = testpng::Solid(300, 2, 0xFF000000);
    const Case cases[] = {
        {"png", ReadPngSize, png, ImageSize{300, 2}},
        {"png cut short", ReadPngSize, Bytes(png.begin(), png.begin() + 20), std::nullopt},
        {"gif", ReadGifSize, Gif(258, 3), ImageSize{258, 3}},
        {"bmp info header", ReadBmpSize, Bmp(40, 513, 7), ImageSize{513, 7}},
        {"bmp top-down rows", ReadBmpSize, Bmp(40, 5, -9), ImageSize{5, 9}},
        {"bmp core header", ReadBmpSize, Bmp(12, 260, 4), ImageSize{260, 4}},
        {"jpeg skips segments up to the frame", ReadJpegSize, Jpeg(640, 258), ImageSize{640, 258}},
        {"jpeg without a frame", ReadJpegSize, B({0xFF, 0xD8, 0xFF, 0xDA, 0, 2}), std::nullopt},
        {"tiff little-endian", ReadTiffSize, TiffLittle(259, 300), ImageSize{259, 300}},
        {"tiff big-endian", ReadTiffSize, TiffBig(259, 300), ImageSize{259, 300}},
        {"gif bytes are not a png", ReadPngSize, Gif(4, 4), std::nullopt},
        {"png bytes are not a bmp", ReadBmpSize, png, std::nullopt},
        {"zero width", ReadGifSize, Gif(0, 4), std::nullopt},
        {"nothing", ReadJpegSize, {}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(c.reader(c.bytes), c.size) << c.name;
}

TEST(ImageHeader, SniffingAndExtensionsPickTheReader) {
    const Bytes gif = Gif(12, 34);
    EXPECT_EQ(ReadImageSize(gif), (ImageSize{12, 34}));
    EXPECT_EQ(ReadImageSize(Jpeg(5, 6)), (ImageSize{5, 6}));
    struct Case {
        const char* file;
        Bytes bytes;
        ImageSize size;
    };
    const Case cases[] = {
        {"logo.gif", gif, {12, 34}},
        {"C:\\img\\LOGO.GIF", gif, {12, 34}},
        {"photo.JPEG", Jpeg(7, 8), {7, 8}},
        {"photo.jpg", Jpeg(7, 8), {7, 8}},
        {"scan.Tif", TiffLittle(9, 10), {9, 10}},
        {"scan.tiff", TiffBig(9, 10), {9, 10}},
        {"icon.bmp", Bmp(40, 3, 4), {3, 4}},
        {"misnamed.png", gif, {0, 0}},       // the extension decides: a GIF is no PNG
        {"picture.ico", gif, {0, 0}},        // no reader for the extension
        {"dir.gif\\noextension", gif, {0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(ImageSizeByExtension(c.bytes, c.file), c.size) << c.file;
}

// Counts a picture's events in order: "C" for OnChange, "X" for OnClear.
struct EventLog {
    std::string events;
    void Hook(TEncodedPicture& p) {
        p.OnChange = [this](fw::Persistent&) { events += 'C'; };
        p.OnClear = [this](fw::Persistent&) { events += 'X'; };
    }
};

TEST(TAdvGDIPPicture, PngFromAStreamIsSavedByteForByte) {
    const Bytes png = testpng::Make(7, 5, [](int x, int y) { return 0xFF000000u | (x * 30 << 16) | (y * 40); });
    TAdvGDIPPicture picture;
    EventLog log;
    log.Hook(picture);
    EXPECT_TRUE(picture.Empty());
    picture.LoadFromStream(png);
    EXPECT_FALSE(picture.Empty());
    EXPECT_EQ(picture.Size(), (ImageSize{7, 5}));
    EXPECT_EQ(log.events, "C");
    Bytes saved;
    picture.SaveToStream(saved);
    EXPECT_EQ(saved, png);
    // The binary property streams the same bytes, and reading them back gives the same picture.
    const fw::PropertyInfo* data = nullptr;
    for (const auto& p : picture.Class().properties)
        if (p.name == "Data") data = &p;
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->type, fw::PropertyType::Binary);
    EXPECT_EQ(std::get<Bytes>(data->get(picture)), png);
    TAdvGDIPPicture copy;
    data->set(copy, data->get(picture));
    EXPECT_EQ(copy.Data(), png);
    EXPECT_FALSE(copy.Empty());
    EXPECT_EQ(copy.Size(), (ImageSize{7, 5}));
    // An empty picture is not written.
    EXPECT_EQ(data->get(TAdvGDIPPicture{}), *data->declaredDefault);
}

TEST(TAdvGDIPPicture, NothingToLoadLeavesThePictureAlone) {
    TAdvGDIPPicture picture;
    EventLog log;
    log.Hook(picture);
    picture.LoadFromStream({});
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(log.events, "");
    EXPECT_EQ(picture.Size(), (ImageSize{0, 0}));
}

TEST(TAdvGDIPPicture, UndecodableBytesKeepTheLastSize) {
    TAdvGDIPPicture picture;
    picture.LoadFromStream(testpng::Solid(3, 4, 0xFF000000));
    picture.LoadFromStream(B({1, 2, 3}));
    EXPECT_FALSE(picture.Empty());
    EXPECT_EQ(picture.Size(), (ImageSize{3, 4}));
}

// A graphic of another class, such as a framework bitmap: it saves itself as file bytes.
class FakeBitmap : public TGraphic {
public:
    Bytes bytes;
    const fw::ClassInfo& Class() const override {
        static const fw::ClassInfo info{"TBitmap", nullptr, {}};
        return info;
    }
    bool GetEmpty() const override { return bytes.empty(); }
    int GetWidth() const override { return 0; }
    int GetHeight() const override { return 0; }
    void SaveToStream(Bytes& out) const override { out.insert(out.end(), bytes.begin(), bytes.end()); }
    void Assign(const fw::Persistent*) override {}
};

class NotAGraphic : public fw::Persistent {
public:
    const fw::ClassInfo& Class() const override {
        static const fw::ClassInfo info{"TFont", nullptr, {}};
        return info;
    }
};

TEST(TAdvGDIPPicture, AssignRules) {
    const Bytes red = testpng::Solid(2, 3, 0xFFFF0000);
    const Bytes blue = testpng::Solid(6, 1, 0xFF0000FF);
    TAdvGDIPPicture full;
    full.LoadFromStream(blue);
    TAdvGDIPPicture none;
    FakeBitmap bitmap;
    bitmap.bytes = Bytes(blue.begin(), blue.end());
    FakeBitmap emptyBitmap;
    NotAGraphic font;
    TGDIPPicture other;
    other.LoadFromStream(blue);

    struct Case {
        const char* name;
        const fw::Persistent* source;
        Bytes bytes;
        bool empty;
        ImageSize size;
        std::string events;
    };
    const Case cases[] = {
        {"nothing empties and reports change then clear", nullptr, {}, true, {0, 0}, "CX"},
        {"another picture's bytes", &full, blue, false, {6, 1}, "C"},
        {"an empty picture empties", &none, {}, true, {0, 0}, "C"},
        {"the other picture class saves its bytes", &other, blue, false, {6, 1}, "C"},
        {"a bitmap saves its bytes", &bitmap, blue, false, {6, 1}, "C"},
        {"an empty bitmap still counts as content", &emptyBitmap, {}, false, {2, 3}, "C"},
        {"another class is ignored", &font, red, false, {2, 3}, ""},
    };
    for (const Case& c : cases) {
        TAdvGDIPPicture picture;
        picture.LoadFromStream(red);
        EventLog log;
        log.Hook(picture);
        picture.Assign(c.source);
        EXPECT_EQ(picture.Data(), c.bytes) << c.name;
        EXPECT_EQ(picture.Empty(), c.empty) << c.name;
        EXPECT_EQ(picture.Size(), c.size) << c.name;
        EXPECT_EQ(log.events, c.events) << c.name;
    }
}

TEST(TGDIPPicture, AcceptsItsOwnClassAndOtherGraphics) {
    const Bytes png = testpng::Solid(4, 4, 0xFF00FF00);
    TAdvGDIPPicture adv;
    adv.LoadFromStream(png);
    TGDIPPicture source;
    source.LoadFromStream(png);
    NotAGraphic font;
    for (const fw::Persistent* from : std::initializer_list<const fw::Persistent*>{&adv, &source}) {
        TGDIPPicture picture;
        picture.Assign(from);
        EXPECT_EQ(picture.Data(), png) << from->Class().name;
        EXPECT_EQ(picture.Size(), (ImageSize{4, 4})) << from->Class().name;
    }
    TGDIPPicture picture;
    picture.Assign(&font);
    EXPECT_TRUE(picture.Empty());
}

class PictureFiles : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("advgdip_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path Write(const std::string& name, const Bytes& bytes) {
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return dir / name;
    }
};

TEST_F(PictureFiles, LoadingAFileTakesItsBytesAndHeaderSize) {
    const Bytes png = testpng::Solid(9, 8, 0xFF000000);
    struct Case {
        std::string file;
        Bytes bytes;
        ImageSize size;
    };
    const Case cases[] = {
        {"a.PNG", png, {9, 8}},
        {"b.gif", Gif(3, 2), {3, 2}},
        {"c.dat", png, {0, 0}},  // unknown extension: no size until decoded
    };
    for (const Case& c : cases) {
        TAdvGDIPPicture picture;
        EventLog log;
        log.Hook(picture);
        picture.LoadFromFile(Write(c.file, c.bytes));
        EXPECT_FALSE(picture.Empty()) << c.file;
        EXPECT_EQ(picture.Data(), c.bytes) << c.file;
        EXPECT_EQ(picture.Size(), c.size) << c.file;
        EXPECT_EQ(log.events, "XC") << c.file;
    }
}

TEST_F(PictureFiles, AnUnreadableFileEmptiesThePictureQuietly) {
    TAdvGDIPPicture picture;
    picture.LoadFromStream(testpng::Solid(1, 1, 0xFF000000));
    EventLog log;
    log.Hook(picture);
    EXPECT_NO_THROW(picture.LoadFromFile(dir / "missing.png"));
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(log.events, "");
}

TEST(TGDIPPictureContainer, FindsByNameWithoutRegardToCaseFirstMatchWinning) {
    TGDIPPictureContainer container;
    struct Item {
        const char* name;
        int tag;
    };
    for (Item i : {Item{"logo", 1}, Item{"Back", 2}, Item{"LOGO", 3}, Item{"1", 4}}) {
        TPictureItem& item = container.Items().Add();
        item.SetName(i.name);
        item.SetTag(i.tag);
        item.Picture().LoadFromStream(testpng::Solid(i.tag, 1, 0xFF000000));
    }
    EXPECT_EQ(&container.Items().Owner(), &container);
    struct Case {
        const char* name;
        int tag;  // 0: not found
    };
    const Case cases[] = {{"LOGO", 1}, {"logo", 1}, {"Logo", 1}, {"back", 2}, {"1", 4}, {"log", 0}, {"", 0}};
    for (const Case& c : cases) {
        TAdvGDIPPicture* found = container.FindPicture(c.name);
        if (c.tag == 0) {
            EXPECT_EQ(found, nullptr) << c.name;
        } else {
            ASSERT_NE(found, nullptr) << c.name;
            EXPECT_EQ(found->Size().width, c.tag) << c.name;
        }
    }
    EXPECT_EQ(FindPicture(nullptr, "logo"), nullptr);  // no container finds nothing
    EXPECT_EQ(FindPicture(&container, "BACK"), &container.Items().Item(1).Picture());
}

TEST(TGDIPPictureContainer, SettingItemsCopiesThem) {
    TGDIPPictureContainer a, b;
    TPictureItem& item = a.Items().Add();
    item.SetName("x");
    item.SetTag(7);
    item.Picture().LoadFromStream(testpng::Solid(2, 2, 0xFF000000));
    b.Items().Add().SetName("old");
    b.SetItems(a.Items());
    ASSERT_EQ(b.Items().Count(), 1);
    EXPECT_EQ(b.Items().Item(0).Name(), "x");
    EXPECT_EQ(b.Items().Item(0).Tag(), 7);
    EXPECT_EQ(b.Items().Item(0).Picture().Data(), item.Picture().Data());
    EXPECT_NE(&b.Items().Item(0).Picture(), &item.Picture());
    EXPECT_EQ(&b.Items().Item(0).Collection(), &b.Items());
}

TEST(VersionNumberText, FourBytesMostSignificantFirst) {
    EXPECT_EQ(VersionNumberText(0x01000000), "1.0.0.0");
    EXPECT_EQ(VersionNumberText(0x01020100), "1.2.1.0");
    EXPECT_EQ(VersionNumberText(0xFF0A0B0C), "255.10.11.12");
    TGDIPPictureContainer container;
    container.SetVersion("9.9.9.9");
    EXPECT_EQ(container.Version(), "1.0.0.0");
}

}  // namespace
