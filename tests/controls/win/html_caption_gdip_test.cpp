// The HTML caption on GDI+ under Wine: captions drawn into a 32-bit ARGB bitmap and checked with
// tolerant pixel counts inside the boxes the layout gives (Wine's GDI+ draws text its own way:
// no pixel is compared with an image made elsewhere).

#include <objidl.h>
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/GDIPPictureContainer.h"
#include "controls/HtmlCaption.h"
#include "controls/win/HtmlCaptionGdip.h"
#include "tests/controls/win/gdipfill_pixels.h"

namespace ctl {
namespace {

using Pixel = pixels::Argb;
using pixels::At;
using pixels::Surface;

// Pixels inside (or, with outside, outside) a box that satisfy a test.
int Count(Gdiplus::Bitmap& bitmap, const HtmlRect& box, const std::function<bool(Pixel)>& test, bool outside = false) {
    int n = 0;
    for (int y = 0; y < static_cast<int>(bitmap.GetHeight()); ++y)
        for (int x = 0; x < static_cast<int>(bitmap.GetWidth()); ++x)
            if (box.Contains(x, y) != outside && test(At(bitmap, x, y))) ++n;
    return n;
}

bool Dark(Pixel p) { return p.r < 110 && p.g < 110 && p.b < 110; }
bool Bluish(Pixel p) { return p.b > 120 && p.b > p.r + 60 && p.b > p.g + 60; }
bool White(Pixel p) { return p.r == 255 && p.g == 255 && p.b == 255; }

HtmlOptions Options(HtmlMode mode, HtmlRect rect) {
    HtmlOptions o;
    o.font = HtmlFont{"Tahoma", 8, fw::clBlack};
    o.rect = rect;
    o.mode = mode;
    o.linkColour = 0xFF0000;  // blue
    return o;
}


const HtmlInstr* RunWithText(const HtmlLayout& layout, std::string_view text) {
    for (const auto& instr : layout.instrs)
        if (instr.kind == HtmlInstrKind::Text && instr.text == text) return &instr;
    return nullptr;
}

std::vector<std::uint8_t> EncodePng(int width, int height, Gdiplus::Color colour) {
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&bitmap);
        g.Clear(colour);
    }
    const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) return {};
    std::vector<std::uint8_t> bytes;
    if (bitmap.Save(stream, &png, nullptr) == Gdiplus::Ok) {
        HGLOBAL memory = nullptr;
        GetHGlobalFromStream(stream, &memory);
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
        bytes.assign(data, data + stat.cbSize.QuadPart);
        GlobalUnlock(memory);
    }
    stream->Release();
    return bytes;
}

TEST(HtmlCaptionGdip, WizardCaptionDrawsNothingAndIsOneEmptyLineHigh) {
    Surface s(240, 80, pixels::kOpaqueWhite);
    const HtmlRect rect{10, 10, 230, 70};
    const int gh = HtmlTextHeight(GdipTextMeasurer(s.graphics), "gh", HtmlFont{"Tahoma", 8});
    EXPECT_GE(gh, 8);
    EXPECT_LE(gh, 20);
    for (HtmlMode mode : {HtmlMode::Measure, HtmlMode::Draw}) {
        const HtmlCaptionResult r = DrawHTML(s.graphics, "<IMG src=\"1\">", Options(mode, rect));
        EXPECT_EQ(r.width, 0);
        EXPECT_EQ(r.height, gh + 2);
        EXPECT_EQ(r.lineCount, 1);
    }
    EXPECT_EQ(Count(s.bitmap, HtmlRect{0, 0, 240, 80}, [](Pixel p) { return !White(p); }), 0) << "nothing is drawn";
}

TEST(HtmlCaptionGdip, TextAndLinkAreDrawnInTheirBoxesAndColours) {
    Surface s(240, 80, pixels::kOpaqueWhite);
    const HtmlRect rect{10, 10, 230, 70};
    const char* caption = "Hello <A href=\"target\">link</A>";
    const HtmlCaptionResult measured = DrawHTML(s.graphics, caption, Options(HtmlMode::Measure, rect));
    EXPECT_GT(measured.width, 20);
    EXPECT_EQ(measured.plainText, "Hello link");

    GdipTextMeasurer measurer(s.graphics);
    const HtmlLayout layout = LayoutHtml(caption, Options(HtmlMode::Draw, rect), measurer);
    const HtmlInstr* hello = RunWithText(layout, "Hello ");
    const HtmlInstr* link = RunWithText(layout, "link");
    ASSERT_TRUE(hello && link);
    EXPECT_EQ(hello->box.left, rect.left + 1);
    EXPECT_EQ(link->box.left, hello->box.right);

    DrawHTML(s.graphics, caption, Options(HtmlMode::Draw, rect));
    // Some slack around the boxes for padding and anti-aliasing.
    auto grown = [](HtmlRect b) { return HtmlRect{b.left - 3, b.top - 3, b.right + 4, b.bottom + 4}; };
    EXPECT_GT(Count(s.bitmap, grown(hello->box), Dark), 10) << "black text of the first word";
    // The link follows right after the word: its colour must not reach back into the word.
    EXPECT_EQ(Count(s.bitmap, HtmlRect{hello->box.left - 3, hello->box.top - 3, hello->box.right - 2, hello->box.bottom + 4}, Bluish), 0);
    EXPECT_GT(Count(s.bitmap, grown(link->box), Bluish), 10) << "the link in the link colour";
    const HtmlRect caption_box{rect.left - 3, rect.top - 3, rect.left + measured.width + 4, rect.top + measured.height + 4};
    EXPECT_EQ(Count(s.bitmap, caption_box, [](Pixel p) { return !White(p); }, true), 0) << "nothing outside the caption";
}

TEST(HtmlCaptionGdip, HitTestFindsTheLinkUnderThePoint) {
    Surface s(240, 80, pixels::kOpaqueWhite);
    const HtmlRect rect{10, 10, 230, 70};
    const char* caption = "Hello <A href=\"target\">link</A>";
    const HtmlLayout layout = LayoutHtml(caption, Options(HtmlMode::HitTest, rect), GdipTextMeasurer(s.graphics));
    HtmlOptions o = Options(HtmlMode::HitTest, rect);
    for (const char* word : {"link", "Hello "}) {
        const HtmlRect box = RunWithText(layout, word)->box;
        o.hitX = (box.left + box.right) / 2;
        o.hitY = (box.top + box.bottom) / 2;
        const HtmlCaptionResult r = DrawHTML(s.graphics, caption, o);
        const bool onLink = std::string_view(word) == "link";
        EXPECT_EQ(r.anchor, onLink) << word;
        EXPECT_EQ(r.target, onLink ? "target" : "") << word;
    }
}

TEST(HtmlCaptionGdip, MissingFontFamilyFallsBack) {
    Surface s(240, 80, pixels::kOpaqueWhite);
    const HtmlRect rect{10, 10, 230, 70};
    HtmlOptions o = Options(HtmlMode::Draw, rect);
    o.font.name = "No Such Family";
    const HtmlCaptionResult r = DrawHTML(s.graphics, "Fallback", o);
    EXPECT_GT(r.width, 20);
    EXPECT_GT(Count(s.bitmap, HtmlRect{rect.left, rect.top, rect.left + r.width + 3, rect.top + r.height + 3}, Dark), 10);
}

TEST(HtmlCaptionGdip, PictureFromTheContainerIsDrawnAtLeftPlusOneAndTop) {
    Surface s(240, 80, pixels::kOpaqueWhite);
    const HtmlRect rect{10, 10, 230, 70};
    TGDIPPictureContainer container;
    auto& item = container.Items().Add();
    item.SetName("1");
    const auto png = EncodePng(12, 30, Gdiplus::Color(255, 255, 0, 0));
    ASSERT_FALSE(png.empty());
    item.Picture().LoadFromStream(png);

    const HtmlCaptionResult r = DrawHTML(s.graphics, "<IMG src=\"1\">", Options(HtmlMode::Draw, rect), &container);
    EXPECT_EQ(r.width, 12 + 2);
    EXPECT_EQ(r.height, 30 + 2);
    const HtmlRect box{rect.left + 1, rect.top, rect.left + 1 + 12, rect.top + 30};
    auto red = [](Pixel p) { return p.r > 200 && p.g < 60 && p.b < 60; };
    const HtmlRect inner{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    EXPECT_EQ(Count(s.bitmap, inner, red), inner.Width() * inner.Height()) << "the picture fills its box";
    EXPECT_EQ(Count(s.bitmap, HtmlRect{box.left - 1, box.top - 1, box.right + 1, box.bottom + 1}, red, true), 0)
        << "and nothing else";
}

TEST(HtmlCaptionGdip, ImageListImageIsDrawnAtItsSize) {
    Surface s(240, 80, pixels::kOpaqueWhite);
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    ASSERT_NE(list, nullptr);
    {
        std::vector<std::uint32_t> green(16 * 16, 0xFF00C000u);
        HBITMAP colour = CreateBitmap(16, 16, 1, 32, green.data());
        HBITMAP mask = CreateBitmap(16, 16, 1, 1, std::vector<std::uint8_t>(32, 0).data());
        ImageList_Add(list, colour, mask);
        DeleteObject(colour);
        DeleteObject(mask);
    }
    ASSERT_EQ(ImageList_GetImageCount(list), 1);
    const HtmlRect rect{10, 10, 230, 70};
    const HtmlCaptionResult r = DrawHTML(s.graphics, "<IMG src=\"IDX:0\"><IMG src=\"IDX:1\">", Options(HtmlMode::Draw, rect),
                                         nullptr, list);
    EXPECT_EQ(r.width, 16 + 2) << "IDX:1 is beyond the list";
    const HtmlRect box{rect.left + 1, rect.top, rect.left + 17, rect.top + 16};
    auto green = [](Pixel p) { return p.g > 150 && p.r < 60 && p.b < 60; };
    EXPECT_GT(Count(s.bitmap, box, green), 16 * 16 / 2);
    EXPECT_EQ(Count(s.bitmap, box, green, true), 0);
    ImageList_Destroy(list);
}

TEST(HtmlCaptionGdip, UnderlineAndStrikeOutAreSolidLinesAcrossTheWord) {
    Surface s(240, 80, pixels::kOpaqueWhite);
    const HtmlRect rect{10, 10, 230, 70};
    GdipTextMeasurer measurer(s.graphics);
    for (const char* caption : {"<U>underlined</U>", "<S>struck</S>"}) {
        Surface surface(240, 80, pixels::kOpaqueWhite);
        const HtmlLayout layout = LayoutHtml(caption, Options(HtmlMode::Draw, rect), measurer);
        ASSERT_EQ(layout.instrs.size(), 1u) << caption;
        const HtmlRect box = layout.instrs[0].box;
        DrawHTML(surface.graphics, caption, Options(HtmlMode::Draw, rect));
        // Some row of the box is dark across most of the word: a line, not glyphs.
        int best = 0;
        for (int y = box.top; y < box.bottom + 3; ++y) {
            int dark = 0;
            for (int x = box.left + 3; x < box.right - 3; ++x) dark += Dark(At(surface.bitmap, x, y)) ? 1 : 0;
            best = std::max(best, dark);
        }
        EXPECT_GE(best, (box.Width() - 6) * 9 / 10) << caption;
    }
}

TEST(HtmlCaptionGdip, ShellIconOfAFolderIsDrawnAtItsSize) {
    Surface s(240, 80, pixels::kOpaqueWhite);
    const auto size = ShellIconSource().IconSize(false, "C:\\windows");
    ASSERT_TRUE(size) << "the shell has an icon for the Windows folder";
    const HtmlRect rect{10, 10, 230, 70};
    const HtmlCaptionResult r = DrawHTML(s.graphics, "<IMG src=\"SSYS:C:\\windows\">", Options(HtmlMode::Draw, rect));
    EXPECT_EQ(r.width, size->width + 2);
    EXPECT_EQ(r.height, std::max(size->height, HtmlTextHeight(GdipTextMeasurer(s.graphics), "gh", HtmlFont{})) + 2);
    const HtmlRect box{rect.left + 1, rect.top, rect.left + 1 + size->width, rect.top + size->height};
    EXPECT_GT(Count(s.bitmap, box, [](Pixel p) { return !White(p); }), size->width * size->height / 8);
    EXPECT_EQ(Count(s.bitmap, box, [](Pixel p) { return !White(p); }, true), 0);
    EXPECT_EQ(DrawHTML(s.graphics, "<IMG src=\"SSYS:99999\">", Options(HtmlMode::Measure, rect)).width, 0)
        << "an index beyond the system image list is not found";
}

}  // namespace
}  // namespace ctl
