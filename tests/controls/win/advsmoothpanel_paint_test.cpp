// The smooth panel painted into bitmaps: its face, its captions, its cache and its transparency.

#include "tests/controls/win/gdipfill_pixels.h"

#include <set>

#include "controls/win/AdvSmoothPanel.h"
#include "controls/win/GDIPFill.h"
#include "framework/win/Gdi.h"
#include "tests/support/WizardPanel.h"

namespace {

using namespace ctl;
using pixels::Argb;
using pixels::At;
using pixels::Near;
using pixels::Surface;


std::uint32_t Pixel(const fw::OffscreenBitmap& b, int x, int y) { return b.Pixels()[y * b.Width() + x] & 0xFFFFFF; }

TEST(SmoothPanelPaint, WizardPanelShowsOnlyItsGradientAndPlacesTheEmptyHtmlCaptionCentred) {
    TAdvSmoothPanel panel;
    testsupport::MakeWizardPanel(panel);
    Surface face(580, 347);
    panel.DrawPanel(face.graphics);

    // The blank caption and the picture that is not found draw nothing: the face is the fill.
    TGDIPFill fill;
    fill.Assign(&panel.Fill());
    Surface reference(580, 347);
    win::Fill(fill, &reference.graphics, {0, 0, 579, 346});
    for (int y = 0; y < 347; y += 7)
        for (int x = 0; x < 580; x += 13)
            ASSERT_TRUE(Near(At(face.bitmap, x, y), At(reference.bitmap, x, y), 0)) << x << "," << y;
    EXPECT_TRUE(Near(At(face.bitmap, 2, 1), {255, 0, 0, 0}, 3));
    EXPECT_TRUE(Near(At(face.bitmap, 577, 344), {178, 51, 51, 51}, 6));

    // Measured 0 wide, centred in the fill's width; below the blank caption's height.
    const RectL html = panel.HtmlCaptionRect();
    EXPECT_EQ(html.left, 289);
    EXPECT_EQ(html.right, 289);
    EXPECT_GT(html.top, 12);
    EXPECT_GT(html.bottom, html.top);
}

// The caption's text pixels (well covered ones) over a panel with no fill.
std::vector<Argb> TextPixels(TAdvSmoothPanel& panel, Surface& s) {
    panel.DrawPanel(s.graphics);
    std::vector<Argb> text;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x)
            if (At(s.bitmap, x, y).a > 230) text.push_back(At(s.bitmap, x, y));
    return text;
}

TEST(SmoothPanelPaint, CaptionTextIsSolidWithoutAnEndColourAndAGradientWithOne) {
    TAdvSmoothPanel panel;
    panel.SetBounds(0, 0, 200, 60);
    panel.Fill().SetColor(fw::clNone);
    panel.Caption().SetText("WWWWW");
    panel.Caption().SetLine(false);
    panel.Caption().SetColorStart(0x0000FF);  // red
    panel.Caption().SetColorEnd(fw::clNone);
    Surface solid(200, 60);
    const std::vector<Argb> red = TextPixels(panel, solid);
    ASSERT_GT(red.size(), 20u) << "the caption draws text";
    for (const Argb& p : red) ASSERT_TRUE(Near(p, {p.a, 255, 0, 0}, 2)) << pixels::Show(p);

    panel.Caption().SetColorEnd(0xFF0000);  // blue at the bottom
    Surface gradient(200, 60);
    const std::vector<Argb> mixed = TextPixels(panel, gradient);
    int bluish = 0;
    for (const Argb& p : mixed) bluish += p.b > 100;
    EXPECT_GT(bluish, 0) << "the vertical brush reaches its end colour";
}

TEST(SmoothPanelPaint, CaptionLineAndBandFollowTheirSettings) {
    struct Case {
        const char* name;
        bool line;
        fw::TColor band;
        bool lineExpected, bandExpected;
    };
    const Case cases[] = {{"line", true, fw::clNone, true, false},
                          {"no line", false, fw::clNone, false, false},
                          {"band", false, 0x00FF00, false, true}};
    for (const Case& c : cases) {
        TAdvSmoothPanel panel;
        panel.SetBounds(0, 0, 200, 60);
        panel.Fill().SetColor(fw::clNone);
        panel.Caption().SetText("x");
        panel.Caption().SetLine(c.line);
        panel.Caption().SetLineColor(0x0000FF);
        panel.Caption().SetBackgroundColor(c.band);
        panel.Caption().SetBackgroundColorTo(c.band);
        Surface s(200, 60);
        panel.DrawPanel(s.graphics);
        bool line = false;
        for (int y = 5; y < 50; ++y) {  // anti-aliased: the line may lie across two rows
            const Argb p = At(s.bitmap, 100, y);
            line |= p.a > 60 && p.r > 150 && p.g < 60 && p.b < 60;
        }
        EXPECT_EQ(line, c.lineExpected) << c.name;
        EXPECT_EQ(Near(At(s.bitmap, 150, 3), {255, 0, 255, 0}, 10), c.bandExpected) << c.name;
    }
}

TEST(SmoothPanelPaint, UnchangedRepaintsReuseTheCachedFace) {
    TAdvSmoothPanel panel;
    testsupport::MakeWizardPanel(panel);
    fw::OffscreenBitmap target(nullptr, 580, 347);
    panel.SetTransparent(false);
    EXPECT_TRUE(panel.RepaintNeeded());
    panel.Paint(target.Dc());
    panel.Paint(target.Dc());
    EXPECT_EQ(panel.CacheBuilds(), 1);
    EXPECT_FALSE(panel.RepaintNeeded());

    struct Step {
        const char* name;
        std::function<void()> change;
        int builds;
    };
    const Step steps[] = {
        {"fill colour set to its value", [&] { panel.Fill().SetColor(fw::clBlack); }, 1},
        {"caption text set to its value", [&] { panel.Caption().SetText(" "); }, 1},
        {"transparent set to its value", [&] { panel.SetTransparent(false); }, 1},
        {"fill colour changed", [&] { panel.Fill().SetColor(fw::clRed); }, 2},
        {"caption font changed", [&] { panel.Caption().Font().SetHeight(-20); }, 3},
        {"fill picture loaded", [&] { panel.Fill().Picture().LoadFromStream(fw::Bytes{1, 2}); }, 4},
        {"resized", [&] { panel.SetBounds(0, 0, 300, 200); }, 5},
        {"moved only", [&] { panel.SetBounds(4, 4, 300, 200); }, 5},
    };
    for (const Step& s : steps) {
        s.change();
        panel.Paint(target.Dc());
        EXPECT_EQ(panel.CacheBuilds(), s.builds) << s.name;
    }
}

// A bottom-up 32-bit DIB selected into a memory DC (the framework's own buffer is top-down).
struct BottomUpTarget {
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    BottomUpTarget(int w, int h) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, w, h, 1, 32, BI_RGB};
        void* bits = nullptr;
        bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous = ::SelectObject(dc, bitmap);
    }
    ~BottomUpTarget() {
        ::SelectObject(dc, previous);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
    }
};

TEST(SmoothPanelPaint, CachedFaceBlendsOverTheBackgroundInEitherRowOrder) {
    TAdvSmoothPanel panel;
    testsupport::MakeWizardPanel(panel);
    panel.SetTransparent(false);
    panel.SetColor(fw::clWhite);
    fw::OffscreenBitmap topDown(nullptr, 580, 347);
    BottomUpTarget bottomUp(580, 347);
    // Straight alpha 178 of 51 over white: 51 * 178 / 255 + 255 * 77 / 255 = 112.6.
    struct Probe {
        int x, y;
        int grey;
    };
    const Probe probes[] = {{290, 1, 0}, {3, 1, 0}, {290, 344, 113}, {577, 344, 113}};
    for (HDC dc : {topDown.Dc(), bottomUp.dc}) {
        panel.Paint(dc);
        for (const Probe& p : probes) {
            const COLORREF c = ::GetPixel(dc, p.x, p.y);
            EXPECT_NEAR(GetRValue(c), p.grey, 6) << p.x << "," << p.y << (dc == bottomUp.dc ? " bottom-up" : " top-down");
            EXPECT_EQ(GetRValue(c), GetBValue(c)) << p.x << "," << p.y;
        }
    }
    EXPECT_EQ(panel.CacheBuilds(), 1);
}

TEST(SmoothPanelPaint, EveryCaptionSetterRefreshesOnlyOnAChange) {
    TAdvSmoothPanel panel;
    fw::OffscreenBitmap target(nullptr, 256, 128);
    for (const fw::PropertyInfo& p : panel.Caption().Class().properties) {
        if (p.type == fw::PropertyType::Object) continue;
        panel.Paint(target.Dc());
        const fw::Value current = p.get(panel.Caption());
        p.set(panel.Caption(), current);
        EXPECT_FALSE(panel.RepaintNeeded()) << p.name << " set to its own value";
        fw::Value other;
        if (auto* b = std::get_if<bool>(&current)) other = !*b;
        else if (auto* s = std::get_if<std::string>(&current)) other = *s + "x";
        else if (p.type == fw::PropertyType::Enum)
            other = static_cast<std::int64_t>((std::get<std::int64_t>(current) + 1) % p.enumInfo->members.size());
        else other = static_cast<std::int64_t>((std::get<std::int64_t>(current) + 1) & 0xFF);
        p.set(panel.Caption(), other);
        EXPECT_TRUE(panel.RepaintNeeded()) << p.name << " changed";
    }
}

TEST(SmoothPanelPaint, ATinyPanelDrawsNothingButStillRaisesOnDraw) {
    for (auto [w, h] : {std::pair{1, 50}, std::pair{50, 1}}) {
        TAdvSmoothPanel panel;
        panel.SetTransparent(false);
        panel.SetBounds(0, 0, w, h);
        int draws = 0;
        RECT seen{};
        panel.OnDraw = [&](TAdvSmoothPanel&, HDC, const RECT& r) {
            ++draws;
            seen = r;
        };
        fw::OffscreenBitmap target(nullptr, 50, 50);
        panel.Paint(target.Dc());
        EXPECT_EQ(draws, 1);
        EXPECT_EQ(seen.right, w);
        EXPECT_EQ(seen.bottom, h);
        EXPECT_EQ(panel.CacheBuilds(), 0);
    }
}

TEST(SmoothPanelPaint, TransparentPanelShowsItsParentThroughUnpaintedParts) {
    fw::TCustomControl parent;
    parent.SetBounds(0, 0, 100, 100);
    parent.SetColor(0x0000FF);  // red
    TAdvSmoothPanel panel;
    panel.SetParent(&parent);
    panel.SetBounds(10, 10, 50, 50);
    panel.SetColor(0x00FF00);  // green, the panel's own background when not transparent
    panel.Fill().SetColor(fw::clNone);  // nothing painted: the whole face is transparent
    fw::OffscreenBitmap target(nullptr, 50, 50);
    panel.Paint(target.Dc());
    EXPECT_EQ(Pixel(target, 25, 25), 0xFF0000u);  // BGRA read as 0xRRGGBB: red
    panel.SetTransparent(false);
    panel.Paint(target.Dc());
    EXPECT_EQ(Pixel(target, 25, 25), 0x00FF00u);
    panel.SetParent(nullptr);
}

TEST(SmoothPanelLinks, HoverAndClickFindTheAnchorUnderThePoint) {
    TAdvSmoothPanel panel;
    panel.SetBounds(0, 0, 300, 100);
    panel.Caption().SetHTMLText("<A href=\"go\">Link text here</A>");
    panel.Caption().SetHTMLLocation(TAdvSmoothPanelLocation::plTopLeft);
    panel.Caption().SetHTMLLeft(10);
    Surface s(300, 100);
    panel.DrawPanel(s.graphics);
    const RectL r = panel.HtmlCaptionRect();
    ASSERT_GT(r.right - r.left, 20);
    std::vector<std::string> clicks;
    panel.OnAnchorClick = [&](TAdvSmoothPanel&, const std::string& anchor) { clicks.push_back(anchor); };

    const int midY = (r.top + r.bottom) / 2;
    EXPECT_EQ(panel.AnchorAt(r.left + 5, midY), "go");
    EXPECT_EQ(panel.AnchorAt(r.left + 5, r.bottom + 10), "");
    panel.MouseMoveAt(r.left + 5, midY);
    EXPECT_TRUE(panel.LinkHover());
    panel.MouseDownAt(r.left + 5, midY);
    panel.MouseMoveAt(250, 90);
    EXPECT_FALSE(panel.LinkHover());
    panel.MouseDownAt(250, 90);
    EXPECT_EQ(clicks, std::vector<std::string>{"go"});
}

// The mouse hits the caption as it is laid out for the panel's size (issue 33), painted or not:
// before the first paint, a link on the third line down to its bottom rows; painting uses that
// same layout; a changed caption at once.
TEST(SmoothPanelLinks, TheMouseHitsTheCaptionLaidOutForThePanelsSize) {
    TAdvSmoothPanel panel;
    panel.SetBounds(0, 0, 300, 200);
    panel.Caption().SetHTMLText("one<BR>two<BR><A href=\"three\">three</A>");
    panel.Caption().SetHTMLLocation(TAdvSmoothPanelLocation::plTopLeft);
    panel.Caption().SetHTMLLeft(10);
    const RectL r = panel.HtmlCaptionRect();
    ASSERT_GT(r.bottom - r.top, 30);
    EXPECT_EQ(panel.AnchorAt(r.left + 5, r.bottom - 5), "three") << "not painted yet";
    EXPECT_EQ(panel.AnchorAt(r.left + 5, r.top + 3), "") << "the first line is no link";
    Surface s(300, 200);
    panel.DrawPanel(s.graphics);
    EXPECT_EQ(panel.HtmlCaptionRect(), r);
    EXPECT_EQ(panel.CaptionLayouts(), 1) << "the paint drew the layout the mouse used";
    panel.Caption().SetHTMLText("one<BR>two<BR>three");
    EXPECT_EQ(panel.AnchorAt(r.left + 5, r.bottom - 5), "") << "the changed caption, before it is painted";
}

// Every value the caption's table has is copied, but the line's colour, the background colours and
// the text rendering: a property added to the table is copied without a line of its own.
TEST(SmoothPanelAssign, TheCaptionCopiesEveryPropertyOfItsTableButFour) {
    TAdvSmoothPanel a, b;
    const std::set<std::string_view> kept = {"LineColor", "BackgroundColor", "BackgroundColorTo", "TextRendering"};
    for (const fw::PropertyInfo* p : a.Caption().Class().AllProperties()) {
        if (p->type == fw::PropertyType::Object) continue;
        const fw::Value v = p->get(a.Caption());
        if (p->type == fw::PropertyType::String) {
            p->set(a.Caption(), std::get<std::string>(v) + "x");
        } else if (p->type == fw::PropertyType::Bool) {
            p->set(a.Caption(), !std::get<bool>(v));
        } else {
            const auto n = std::get<std::int64_t>(v);
            p->set(a.Caption(), p->enumInfo ? static_cast<std::int64_t>((n + 1) % p->enumInfo->members.size()) : (n + 1) & 0xFF);
        }
    }
    b.Assign(&a);
    for (const fw::PropertyInfo* p : a.Caption().Class().AllProperties()) {
        if (p->type == fw::PropertyType::Object) continue;
        EXPECT_EQ(p->get(b.Caption()) == p->get(a.Caption()), !kept.contains(p->name)) << p->name;
    }
}

TEST(SmoothPanelAssign, CopiesCaptionFillAndTransparencyKeepingOwnObjects) {
    TAdvSmoothPanel a, b;
    testsupport::MakeWizardPanel(a);
    a.SetTransparent(false);
    a.Caption().SetLineColor(0x123456);  // not copied
    b.Assign(&a);
    EXPECT_EQ(b.Caption().Text(), " ");
    EXPECT_EQ(b.Caption().HTMLText(), a.Caption().HTMLText());
    EXPECT_EQ(b.Caption().Font().Name(), "Segoe UI");
    EXPECT_EQ(b.Caption().LineColor(), 0xB0721Cu);
    EXPECT_EQ(b.Fill().OpacityTo(), 178);
    EXPECT_FALSE(b.Transparent());
    EXPECT_NE(&b.Caption(), &a.Caption());
    EXPECT_EQ(&b.Caption().Panel(), &b);

    TGDIPFill fill;
    b.Assign(&fill);  // another class: ignored
    EXPECT_EQ(b.Fill().OpacityTo(), 178);
    EXPECT_EQ(b.Version(), "1.2.1.0");
    b.SetVersion("9.9.9.9");
    EXPECT_EQ(b.Version(), "1.2.1.0");
}

}  // namespace
