// The HTML caption's preparation, parsing, layout, hit test and painting, with a monospaced fake
// measurer (tests/controls/html_caption_fakes.h). Expected geometry is derived from the run
// primitives, which have their own table.

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <string>
#include <vector>

#include "controls/GDIPPictureContainer.h"
#include "controls/HtmlCaption.h"
#include "controls/HtmlCaptionPaint.h"
#include "controls/HtmlCaptionParse.h"
#include "controls/html_caption_fakes.h"

namespace ctl {
namespace {

using fakes::FakeMeasurer;
using fakes::PrepareByTheRule;
using fakes::RecordingCanvas;

const HtmlRect kRect{10, 20, 510, 10000};

HtmlOptions Options(HtmlMode mode = HtmlMode::Draw, HtmlRect rect = kRect) {
    HtmlOptions o;
    o.font = HtmlFont{"Tahoma", 8, 0x112233};
    o.rect = rect;
    o.mode = mode;
    return o;
}

const FakeMeasurer kMeasurer;

int Gh(const HtmlFont& font) { return HtmlTextHeight(kMeasurer, "gh", font); }
int RunWidth(std::string_view text, const HtmlFont& font) {
    return MeasureHtmlRun(kMeasurer, text, font, kRect).width;
}

std::vector<const HtmlInstr*> Of(const HtmlLayout& layout, HtmlInstrKind kind) {
    std::vector<const HtmlInstr*> found;
    for (const auto& instr : layout.instrs)
        if (instr.kind == kind) found.push_back(&instr);
    return found;
}

const HtmlInstr* RunWithText(const HtmlLayout& layout, std::string_view text) {
    for (const auto& instr : layout.instrs)
        if (instr.kind == HtmlInstrKind::Text && instr.text == text) return &instr;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Preparation

TEST(HtmlPrepare, RewritesEntitiesEscapesAndLineEnds) {
    struct Case {
        const char* what;
        std::string in, out;
    } cases[] = {
        {"ampersand doubles", "&amp;", "&&"},
        {"ampersand in text", "Tom &amp; Jerry", "Tom && Jerry"},
        {"replacement forms a new entity", "&amp;amp;", "&&&"},
        {"quote", "&quot;x&quot;", "\"x\""},
        {"single-byte signs", "&sect;&permil;&reg;&copy;&para;&trade;&euro;", "\xA7\x89\xAE\xA9\xB6\x99\x80"},
        {"ampersand entity then euro", "&amp;euro;", "&\x80"},
        {"unknown entity kept", "&nbsp;&lt;&bogus;", "&nbsp;&lt;&bogus;"},
        {"first <# only", "<#one> <#two>", "#one <#two>"},
        {"<# without >", "a<#b", "a#b"},
        {"> before <# stays", "a>b<#c>d", "a>b#cd"},
        {"CR LF", "line1\r\nline2", "line1<BR>line2"},
        {"bare LF dropped", "a\nb\n", "ab"},
        {"CR at end", "a\r", "a<BR>"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PrepareHtml(c.in), c.out) << c.what;
}

TEST(HtmlPrepare, AgreesWithReplacingTheFirstOccurrenceRoundByRound) {
    const char* fragments[] = {"&", "amp;", "&amp;", "quot;", "&quot;", "a", "m", "p", ";", "euro;",
                               "&euro", "<", "<#", ">", "\r", "\n", "&sect;", "&trade;", "x"};
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> count(0, 14), pick(0, std::size(fragments) - 1);
    for (int n = 0; n < 5000; ++n) {
        std::string s;
        for (int k = count(rng); k > 0; --k) s += fragments[pick(rng)];
        ASSERT_EQ(PrepareHtml(s), PrepareByTheRule(s)) << "input: " << s;
    }
}

// ---------------------------------------------------------------------------------------------
// Values, tags and attributes

TEST(HtmlValues, Colours) {
    struct Case {
        const char* value;
        HtmlColour colour;
    } cases[] = {
        {"#FF0000", 0x0000FF}, {"#00FF80", 0x80FF00}, {"#0000ff", 0xFF0000}, {"clRed", 0x0000FF},
        {"CLNAVY", 0x800000}, {"clBtnFace", 0xFF00000F}, {"clinfobk", 0xFF000018}, {"cl3DDkShadow", 0xFF000015},
        {"red", 0}, {"clScrollBar", 0}, {"#12345", 0}, {"#GG0000", 0}, {"#1234567", 0}, {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseHtmlColour(c.value), c.colour) << c.value;
}

TEST(HtmlValues, FontSizes) {
    struct Case {
        const char* value;
        std::optional<int> points;
    } cases[] = {{"1", 8}, {"2", 10}, {"3", 12}, {"4", 14}, {"5", 16}, {"6", 6}, {"20", 20}, {" 9 ", 9},
                 {"0", std::nullopt}, {"-3", std::nullopt}, {"big", std::nullopt}, {"", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(HtmlFontSize(c.value), c.points) << c.value;
}

TEST(HtmlValues, NumbersAndRunText) {
    EXPECT_EQ(html::ParseNumber("42"), 42);
    EXPECT_EQ(html::ParseNumber(" -7 "), -7);
    EXPECT_EQ(html::ParseNumber("12px"), 0);
    EXPECT_EQ(html::ParseNumber("1234567890"), 0) << "too many digits";
    EXPECT_EQ(html::ParseNumber("-"), 0);

    EXPECT_EQ(html::DecodeRunText("a&nbsp;b"), "a b");
    EXPECT_EQ(html::DecodeRunText("&lt;tag&gt;"), "<tag>");
    EXPECT_EQ(html::DecodeRunText("Tom && Jerry"), "Tom & Jerry");
    EXPECT_EQ(html::DecodeRunText("&&&"), "&&");
    EXPECT_EQ(html::DecodeRunText("&nbsp"), "&nbsp");
}

TEST(HtmlTags, KindsFromTheFirstLetters) {
    using K = html::TagKind;
    struct Case {
        const char* tag;
        K kind;
        bool closing;
    } cases[] = {
        {"<A href=\"x\">", K::Link, false}, {"</A>", K::Link, true}, {"<B>", K::Bold, false}, {"<b>", K::Bold, false},
        {"<BR>", K::Break, false}, {"<br/>", K::Break, false}, {"<BODY>", K::Body, false}, {"<BLINK>", K::Blink, false},
        {"<E>", K::Error, false}, {"<FONT>", K::Font, false}, {"</FONT>", K::Font, true}, {"<HI>", K::Highlight, false},
        {"<HR>", K::Rule, false}, {"<H1>", K::Other, false}, {"<I>", K::Italic, false}, {"<IND>", K::Indent, false},
        {"<IMG>", K::Image, false}, {"<LI>", K::ListItem, false}, {"<OFS>", K::Offset, false}, {"</O>", K::Offset, true},
        {"<P>", K::Paragraph, false}, {"<S>", K::Strike, false}, {"<SHAD>", K::Shadow, false}, {"<SUB>", K::Sub, false},
        {"<sup>", K::Sup, false}, {"<SU>", K::Strike, false}, {"<U>", K::Underline, false}, {"<UL>", K::List, false},
        {"</UL>", K::List, true}, {"<Z>", K::Hidden, false}, {"<Q>", K::Other, false}, {"<>", K::Other, false},
        {"<", K::Other, false}, {"< B>", K::Other, false},
    };
    for (const auto& c : cases) {
        bool closing = !c.closing;
        EXPECT_EQ(html::ClassifyTag(c.tag, closing), c.kind) << c.tag;
        EXPECT_EQ(closing, c.closing) << c.tag;
    }
}

TEST(HtmlTags, AttributeValues) {
    struct Case {
        const char* tag;
        const char* name;
        std::optional<std::string> value;
    } cases[] = {
        {"<FONT BGCOLOR=\"#000000\" COLOR=\"clRed\">", "COLOR", "clRed"},
        {"<FONT BGCOLOR=\"#000000\" COLOR=\"clRed\">", "BGCOLOR", "#000000"},
        {"<FONT bgcolor=\"x\">", "COLOR", std::nullopt},
        {"<img src=\"Logo\">", "SRC", "Logo"},
        {"<IMG SRC = \"spaced\">", "SRC", "spaced"},
        {"<IMG SRC=1>", "SRC", ""},
        {"<IMG SRC=\"open>", "SRC", ""},
        {"<IMG ALT=\"a SRC=b\" SRC=\"c\">", "SRC", "c"},
        {"<IMG SRC=\"x\" WRAP>", "WRAP", ""},
        {"<IMG SRC=\"x\">", "WRAP", std::nullopt},
        {"<IMG SRCSET=\"x\">", "SRC", std::nullopt},
        {"<P ALIGN=\"right\" INDENT=\"4\">", "INDENT", "4"},
    };
    for (const auto& c : cases) {
        auto found = html::FindAttribute(c.tag, c.name);
        std::optional<std::string> value;
        if (found) value = std::string(*found);
        EXPECT_EQ(value, c.value) << c.tag << " " << c.name;
    }
    EXPECT_EQ(html::FirstQuoted("<A name=\"first\" href=\"second\">"), "first");
    EXPECT_EQ(html::FirstQuoted("<A href=x>"), "");
}

TEST(HtmlTags, TokensAreRunsOfOneWordWithItsBlankAndTags) {
    auto raw = [](const std::vector<html::Token>& tokens) {
        std::vector<std::string> out;
        for (const auto& t : tokens) out.emplace_back(t.raw);
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(raw(html::Tokenize("ab cd<B>ef gh", true)), (V{"ab ", "cd", "<B>", "ef ", "gh"}));
    EXPECT_EQ(raw(html::Tokenize("ab cd<B>ef gh", false)), (V{"ab cd", "<B>", "ef gh"}));
    EXPECT_EQ(raw(html::Tokenize("a  b", true)), (V{"a ", " ", "b"}));
    EXPECT_EQ(raw(html::Tokenize("x<open", true)), (V{"x", "<open"}));
    EXPECT_EQ(raw(html::Tokenize("a&nbsp;b", true)), (V{"a&nbsp;b"}));
}

// ---------------------------------------------------------------------------------------------
// Run primitives

TEST(HtmlRuns, WidthCorrectionGrowsWithTheFontSize) {
    // 2 pixels, and round((size - 8) / 1.5) more above 8 points.
    struct Case {
        int size;
        int correction;
    } cases[] = {{6, 2}, {8, 2}, {9, 3}, {10, 3}, {11, 4}, {12, 5}, {14, 6}, {20, 10}};
    for (const auto& c : cases) {
        HtmlFont font{"Tahoma", c.size};
        const auto raw = kMeasurer.Measure("abcd", font, 0, 0);
        const HtmlSize run = MeasureHtmlRun(kMeasurer, "abcd", font, kRect);
        EXPECT_EQ(run.width, static_cast<int>(raw.width) - c.correction) << "size " << c.size;
        EXPECT_EQ(run.height, static_cast<int>(raw.height)) << "size " << c.size;
    }
}

TEST(HtmlRuns, TrailingBlankMeasuresAsAnI) {
    HtmlFont font;
    EXPECT_EQ(MeasureHtmlRun(kMeasurer, "ab ", font, kRect), MeasureHtmlRun(kMeasurer, "abi", font, kRect));
    EXPECT_GT(RunWidth("ab ", font), RunWidth("ab", font));
    EXPECT_EQ(RunWidth(" ", font), 0) << "a lone blank is not replaced and takes no room";
}

// ---------------------------------------------------------------------------------------------
// The wizard's caption and the other cases the caption must get exactly right

TEST(HtmlLayoutCases, PictureWithoutContainerTakesNoRoomInEveryMode) {
    for (HtmlMode mode : {HtmlMode::Measure, HtmlMode::Draw, HtmlMode::HitTest}) {
        HtmlOptions o = Options(mode);
        const HtmlLayout layout = LayoutHtml("<IMG src=\"1\">", o, kMeasurer);
        EXPECT_EQ(layout.width, 0) << static_cast<int>(mode);
        EXPECT_EQ(layout.height, Gh(o.font) + 2) << static_cast<int>(mode);
        EXPECT_EQ(layout.lineCount, 1) << static_cast<int>(mode);
        EXPECT_TRUE(layout.instrs.empty()) << static_cast<int>(mode);
        RecordingCanvas canvas;
        PaintHtml(layout, canvas, o);
        EXPECT_TRUE(canvas.calls.empty()) << static_cast<int>(mode);
    }
}

TEST(HtmlLayoutCases, PictureFromContainerAtLeftPlusOneAndTopAtItsOwnSize) {
    fakes::FakePictures pictures;
    pictures.sizes["1"] = {48, 32};
    const HtmlOptions o = Options();
    const HtmlLayout layout = LayoutHtml("<IMG src=\"1\">", o, kMeasurer, HtmlImages{&pictures});
    auto images = Of(layout, HtmlInstrKind::Image);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->box, (HtmlRect{kRect.left + 1, kRect.top, kRect.left + 1 + 48, kRect.top + 32}));
    EXPECT_EQ(images[0]->image.source, "1");
    EXPECT_EQ(layout.width, 48 + 2);
    EXPECT_EQ(layout.height, std::max(32, Gh(o.font)) + 2);

    RecordingCanvas canvas;
    PaintHtml(layout, canvas, o);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].op, "DrawImage");
    EXPECT_EQ(canvas.calls[0].rect, images[0]->box);
}

std::vector<std::uint8_t> PngHeader(int width, int height) {
    std::vector<std::uint8_t> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (int v : {width, height})
        for (int shift : {24, 16, 8, 0}) b.push_back(static_cast<std::uint8_t>(v >> shift));
    b.insert(b.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
    return b;
}

TEST(HtmlLayoutCases, PictureContainerIsSearchedByNameWithoutRegardToCase) {
    TGDIPPictureContainer container;
    container.Items().Add().SetName("EMPTY");
    auto& logo = container.Items().Add();
    logo.SetName("LOGO");
    auto png = PngHeader(40, 24);
    logo.Picture().LoadFromStream(png);
    ContainerPictureSource source(&container);
    EXPECT_EQ(source.PictureSize("logo"), (HtmlSize{40, 24}));
    EXPECT_EQ(source.PictureSize("empty"), std::nullopt) << "an empty picture is not found";
    EXPECT_EQ(source.PictureSize("none"), std::nullopt);
    EXPECT_EQ(ContainerPictureSource(nullptr).PictureSize("logo"), std::nullopt);

    const HtmlLayout layout = LayoutHtml("<IMG src=\"Logo\">", Options(), kMeasurer, HtmlImages{&source});
    ASSERT_EQ(Of(layout, HtmlInstrKind::Image).size(), 1u);
    EXPECT_EQ(layout.width, 40 + 2);
}

TEST(HtmlLayoutCases, AmpersandEntityIsDrawnAsOneAmpersand) {
    const HtmlLayout layout = LayoutHtml("Tom &amp; Jerry", Options(), kMeasurer);
    EXPECT_EQ(layout.plainText, "Tom & Jerry");
    ASSERT_NE(RunWithText(layout, "& "), nullptr);
}

TEST(HtmlLayoutCases, BreakAtTheEndLeavesAnEmptyLastLine) {
    const HtmlOptions o = Options(HtmlMode::Measure);
    const int gh = Gh(o.font);
    struct Case {
        const char* markup;
        int lines;
        std::string plain;
    } cases[] = {
        {"abc", 1, "abc"},
        {"abc<BR>", 2, "abc\r"},
        {"abc\r\n", 2, "abc\r"},
        {"abc<BR><BR>", 3, "abc\r\r"},
        {"abc<BR>def", 2, "abc\rdef"},
    };
    for (const auto& c : cases) {
        const HtmlLayout layout = LayoutHtml(c.markup, o, kMeasurer);
        EXPECT_EQ(layout.lineCount, c.lines) << c.markup;
        EXPECT_EQ(layout.height, c.lines * gh + (c.lines - 1) * o.lineSpacing + 2) << c.markup;
        EXPECT_EQ(layout.plainText, c.plain) << c.markup;
    }
}

TEST(HtmlLayoutCases, FontSizeNamesAndPoints) {
    struct Case {
        const char* size;
        int points;
    } cases[] = {{"3", 12}, {"20", 20}, {"1", 8}, {"5", 16}, {"0", 9}, {"x", 9}, {"", 9}};
    for (const auto& c : cases) {
        HtmlOptions o = Options();
        o.font.size = 9;
        const std::string markup = std::string("<FONT SIZE=\"") + c.size + "\">big</FONT>base";
        const HtmlLayout layout = LayoutHtml(markup, o, kMeasurer);
        const HtmlInstr* big = RunWithText(layout, "big");
        const HtmlInstr* base = RunWithText(layout, "base");
        ASSERT_TRUE(big && base) << markup;
        EXPECT_EQ(layout.fonts[big->font].size, c.points) << markup;
        EXPECT_EQ(layout.fonts[base->font].size, 9) << markup << ": </FONT> restores the base size";
        EXPECT_EQ(big->box.Height(), 2 * c.points) << markup << ": the run is measured in its own font";
    }
}

TEST(HtmlLayoutCases, EmptyCaptionIsOneEmptyLineHigh) {
    const HtmlLayout layout = LayoutHtml("", Options(HtmlMode::Measure), kMeasurer);
    EXPECT_EQ(std::tuple(layout.lineCount, layout.width, layout.height), std::tuple(0, 0, Gh(Options().font) + 2));
}

// ---------------------------------------------------------------------------------------------
// Word wrap and lines

TEST(HtmlWrap, WordsMoveToTheNextLineAtTheRightEdge) {
    const HtmlFont font = Options().font;
    const int a = RunWidth("aaa ", font), b = RunWidth("bbb ", font), c = RunWidth("ccc", font);
    struct Case {
        const char* what;
        int right;  // relative to the first pen position (left + 1)
        std::vector<int> lines;
    } cases[] = {
        {"all fit", a + b + c, {0, 0, 0}},
        {"third word one pixel too wide", a + b + c - 1, {0, 0, 1}},
        {"exactly two words", a + b, {0, 0, 1}},
        {"second word one pixel too wide", a + b - 1, {0, 1, 1}},
        {"one word per line", a, {0, 1, 2}},
    };
    for (const auto& k : cases) {
        const HtmlRect rect{kRect.left, kRect.top, kRect.left + 1 + k.right, kRect.bottom};
        const HtmlLayout layout = LayoutHtml("aaa bbb ccc", Options(HtmlMode::Draw, rect), kMeasurer);
        auto runs = Of(layout, HtmlInstrKind::Text);
        ASSERT_EQ(runs.size(), 3u) << k.what;
        std::vector<int> lines;
        for (auto* r : runs) lines.push_back(r->line);
        EXPECT_EQ(lines, k.lines) << k.what;
        EXPECT_EQ(layout.lineCount, k.lines.back() + 1) << k.what;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (i == 0 || runs[i]->line != runs[i - 1]->line) {
                EXPECT_EQ(runs[i]->box.left, kRect.left + 1) << k.what << ": run " << i;
            }
        }
    }
}

TEST(HtmlWrap, WidthIsTheWidestLinePlusTwoAndLinesStackWithSpacing) {
    const HtmlFont font = Options().font;
    const int a = RunWidth("aaaa ", font), b = RunWidth("bb", font);
    HtmlOptions o = Options(HtmlMode::Measure, HtmlRect{0, 0, 1 + a, 10000});
    o.lineSpacing = 5;
    const HtmlLayout layout = LayoutHtml("aaaa bb", o, kMeasurer);
    EXPECT_EQ(layout.lineCount, 2);
    EXPECT_EQ(layout.width, std::max(a, b) + 2);
    EXPECT_EQ(layout.height, 2 * Gh(font) + 5 + 2);

    o.mode = HtmlMode::Draw;
    const HtmlLayout drawn = LayoutHtml("aaaa bb", o, kMeasurer);
    EXPECT_EQ(RunWithText(drawn, "bb")->box.top, Gh(font) + 5);
}

TEST(HtmlWrap, RunsThatStayOnTheirLine) {
    const HtmlFont font = Options().font;
    struct Case {
        const char* what;
        const char* markup;
        int right;
        int lines;
    } cases[] = {
        {"a word continued after a tag", "aaaa<B>bbbb</B>", RunWidth("aaaa", font) + 3, 1},
        {"a word wider than the whole line", "a verylongword", RunWidth("verylong", font), 1},
        {"first word never wraps", "verylongword", 3, 1},
        {"without word wrap the text is one run", "aaa bbb ccc", RunWidth("aaa", font), 1},
    };
    for (const auto& c : cases) {
        HtmlOptions o = Options(HtmlMode::Measure, HtmlRect{0, 0, 1 + c.right, 10000});
        o.wordWrap = std::string_view(c.what).find("without") == std::string_view::npos;
        EXPECT_EQ(LayoutHtml(c.markup, o, kMeasurer).lineCount, c.lines) << c.what;
    }
}

TEST(HtmlWrap, DrawingStopsBelowTheRectangleButMeasuringDoesNot) {
    const HtmlFont font = Options().font;
    const int gh = Gh(font);
    const HtmlRect rect{0, 0, 500, gh + 2 + gh};  // room for two lines
    const char* markup = "one<BR>two<BR>three<BR>four";
    EXPECT_EQ(LayoutHtml(markup, Options(HtmlMode::Measure, rect), kMeasurer).lineCount, 4);
    EXPECT_EQ(LayoutHtml(markup, Options(HtmlMode::HitTest, rect), kMeasurer).lineCount, 4);
    const HtmlLayout drawn = LayoutHtml(markup, Options(HtmlMode::Draw, rect), kMeasurer);
    EXPECT_EQ(drawn.lineCount, 2);
    EXPECT_EQ(RunWithText(drawn, "three"), nullptr);
}

TEST(HtmlWrap, ParagraphAlignmentAndIndent) {
    const HtmlFont font = Options().font;
    const int w = RunWidth("word", font);
    const int left = kRect.left + 1;
    struct Case {
        const char* markup;
        int x;
    } cases[] = {
        {"<P align=\"right\">word</P>", kRect.right - w},
        {"<P align=\"center\">word</P>", left + (kRect.right - left - w) / 2},
        {"<P align=\"left\">word</P>", left},
        {"<P align=\"right\" indent=\"7\">word</P>", kRect.right - w + 7},
        {"<P indent=\"7\">word</P>", left + 7},
        {"<P align=\"right\">x</P>word", left},
    };
    for (const auto& c : cases) {
        const HtmlLayout layout = LayoutHtml(c.markup, Options(), kMeasurer);
        const HtmlInstr* run = RunWithText(layout, "word");
        ASSERT_NE(run, nullptr) << c.markup;
        EXPECT_EQ(run->box.left, c.x) << c.markup;
    }
}

TEST(HtmlWrap, PenMovesIndentsOffsetsHiddenTextAndBlanks) {
    const HtmlFont font = Options().font;
    const int left = kRect.left;
    const HtmlLayout indented = LayoutHtml("<IND x=\"50\">a", Options(), kMeasurer);
    EXPECT_EQ(RunWithText(indented, "a")->box.left, left + 50);

    const HtmlLayout offset = LayoutHtml("<OFS x=\"30\">a<BR>b</O>c<BR>d", Options(), kMeasurer);
    EXPECT_EQ(RunWithText(offset, "a")->box.left, left + 1 + 30);
    EXPECT_EQ(RunWithText(offset, "b")->box.left, left + 1 + 30) << "the offset holds for the following lines";
    EXPECT_EQ(RunWithText(offset, "d")->box.left, left + 1) << "until a closing tag";

    const HtmlLayout hidden = LayoutHtml("a<Z>secret</Z>b", Options(), kMeasurer);
    EXPECT_EQ(RunWithText(hidden, "b")->box.left, RunWithText(hidden, "a")->box.right);
    EXPECT_EQ(RunWithText(hidden, "secret"), nullptr);

    const HtmlLayout nbsp = LayoutHtml("a&nbsp;b &lt;c&gt;", Options(), kMeasurer);
    EXPECT_NE(RunWithText(nbsp, "a b "), nullptr) << "&nbsp; does not split a word";
    EXPECT_NE(RunWithText(nbsp, "<c>"), nullptr);
    (void)font;
}

// ---------------------------------------------------------------------------------------------
// Styles

TEST(HtmlStyles, TagsSwitchFontAndColours) {
    HtmlOptions o = Options();
    o.linkColour = 0xABCDEF;
    struct Case {
        const char* markup;
        const char* run;
        HtmlFont font;        // expected font of the run
        HtmlColour background;
    } cases[] = {
        {"<B>x</B>", "x", {"Tahoma", 8, 0x112233, true}, fw::clNone},
        {"<I>x</I>", "x", {"Tahoma", 8, 0x112233, false, true}, fw::clNone},
        {"<U>x</U>", "x", {"Tahoma", 8, 0x112233, false, false, true}, fw::clNone},
        {"<S>x</S>", "x", {"Tahoma", 8, 0x112233, false, false, false, true}, fw::clNone},
        {"<B>a</B>x", "x", {"Tahoma", 8, 0x112233}, fw::clNone},
        {"<FONT face=\"Verdana\" color=\"clRed\">x</FONT>", "x", {"Verdana", 8, 0x0000FF}, fw::clNone},
        {"<FONT bgcolor=\"clYellow\" color=\"clBlue\">x</FONT>", "x", {"Tahoma", 8, 0xFF0000}, 0x00FFFF},
        {"<FONT color=\"clRed\">a</FONT>x", "x", {"Tahoma", 8, 0x112233}, fw::clNone},
        {"<A href=\"t\">x</A>", "x", {"Tahoma", 8, 0xABCDEF, false, false, true}, fw::clNone},
        {"<A href=\"t\">a</A>x", "x", {"Tahoma", 8, 0x112233}, fw::clNone},
        {"<U><A href=\"t\">a</A>x</U>", "x", {"Tahoma", 8, 0x112233, false, false, true}, fw::clNone},
        {"<HI>x</HI>", "x", {"Tahoma", 8, fw::clHighlightText}, fw::clHighlight},
        {"<HI>a</HI>x", "x", {"Tahoma", 8, 0x112233}, fw::clNone},
        {"<BODY bgcolor=\"clAqua\">x", "x", {"Tahoma", 8, 0x112233}, 0xFFFF00},
        {"<BLINK color=\"clLime\">x</BLINK>", "x", {"Tahoma", 8, 0x00FF00}, fw::clNone},
    };
    for (const auto& c : cases) {
        const HtmlLayout layout = LayoutHtml(c.markup, o, kMeasurer);
        const HtmlInstr* run = RunWithText(layout, c.run);
        ASSERT_NE(run, nullptr) << c.markup;
        EXPECT_EQ(layout.fonts[run->font], c.font) << c.markup;
        EXPECT_EQ(run->colour, c.background) << c.markup;
    }
}

TEST(HtmlStyles, HoveredLinkTakesTheHoverColours) {
    HtmlOptions o = Options();
    o.linkColour = 0x000001;
    o.hoverColour = 0x000002;
    o.hoverBackground = 0x000003;
    o.hoveredLink = 1;
    const HtmlLayout layout = LayoutHtml("<A href=\"a\">one</A> <A href=\"b\">two</A>", o, kMeasurer);
    EXPECT_EQ(layout.fonts[RunWithText(layout, "one")->font].colour, 0x000001u);
    EXPECT_EQ(RunWithText(layout, "one")->colour, fw::clNone);
    EXPECT_EQ(layout.fonts[RunWithText(layout, "two")->font].colour, 0x000002u);
    EXPECT_EQ(RunWithText(layout, "two")->colour, 0x000003u);
    EXPECT_EQ(layout.links, (std::vector<std::string>{"a", "b"}));
}

TEST(HtmlStyles, RunsSitOnTheLineBottomAndSubSupMoveByAQuarter) {
    const HtmlLayout layout = LayoutHtml("<FONT size=\"20\">Big</FONT>a<SUB>b</SUB><SUP>c</SUP>", Options(), kMeasurer);
    const HtmlInstr* a = RunWithText(layout, "a");
    EXPECT_EQ(RunWithText(layout, "Big")->box.bottom, a->box.bottom);
    EXPECT_EQ(RunWithText(layout, "b")->box.top, a->box.top + a->box.Height() / 4);
    EXPECT_EQ(RunWithText(layout, "c")->box.top, a->box.top - a->box.Height() / 4);
}

// ---------------------------------------------------------------------------------------------
// Images

TEST(HtmlImagesTest, SourcesByPrefix) {
    fakes::FakePictures pictures;
    pictures.sizes = {{"p", {48, 32}}, {"0", {5, 5}}, {"IDX:0", {5, 5}}};
    fakes::FakeImageList list;
    list.count = 2;
    list.size = {20, 18};
    fakes::FakeIcons icons;
    const HtmlImages all{&pictures, &list, &icons};
    struct Case {
        const char* markup;
        HtmlImages images;
        double scale;
        std::optional<HtmlImageRef> ref;
        HtmlSize size;
    } cases[] = {
        {"<IMG src=\"p\">", all, 1, HtmlImageRef{HtmlImageKind::Picture, "p"}, {48, 32}},
        {"<IMG src=\"p\" width=\"10\" height=\"12\">", all, 1, HtmlImageRef{HtmlImageKind::Picture, "p"}, {10, 12}},
        {"<IMG src=\"p\" width=\"10\">", all, 1, HtmlImageRef{HtmlImageKind::Picture, "p"}, {48, 32}},
        {"<IMG src=\"P\">", all, 1, std::nullopt, {}},
        {"<IMG src=\"IDX:1\">", all, 1, HtmlImageRef{HtmlImageKind::ListImage, "", 1}, {20, 18}},
        {"<IMG src=\"idx:0\">", all, 1, HtmlImageRef{HtmlImageKind::ListImage, "", 0}, {20, 18}},
        {"<IMG src=\"IDX:2\">", all, 1, std::nullopt, {}},
        {"<IMG src=\"IDX:-1\">", all, 1, std::nullopt, {}},
        {"<IMG src=\"IDX:0\">", HtmlImages{&pictures}, 1, std::nullopt, {}},
        {"<IMG src=\"SSYS:3\">", all, 1, HtmlImageRef{HtmlImageKind::SmallIcon, "3"}, {16, 16}},
        {"<IMG src=\"LSYS:C:\\Windows\">", all, 1, HtmlImageRef{HtmlImageKind::LargeIcon, "C:\\Windows"}, {32, 32}},
        {"<IMG src=\"LSYS:3\">", all, 2, HtmlImageRef{HtmlImageKind::LargeIcon, "3"}, {64, 64}},
        {"<IMG src=\"SSYS:nosuch\">", all, 1, std::nullopt, {}},
        {"<IMG src=\"SSYS:3\">", HtmlImages{&pictures, &list}, 1, std::nullopt, {}},
        {"<IMG src=\"C:p\">", all, 1, std::nullopt, {}},
    };
    for (const auto& c : cases) {
        HtmlOptions o = Options();
        o.imageScale = c.scale;
        const HtmlLayout layout = LayoutHtml(c.markup, o, kMeasurer, c.images);
        auto images = Of(layout, HtmlInstrKind::Image);
        if (!c.ref) {
            EXPECT_TRUE(images.empty()) << c.markup;
            EXPECT_EQ(layout.width, 0) << c.markup;
            continue;
        }
        ASSERT_EQ(images.size(), 1u) << c.markup;
        EXPECT_EQ(images[0]->image, *c.ref) << c.markup;
        EXPECT_EQ(images[0]->box.Width(), c.size.width) << c.markup;
        EXPECT_EQ(images[0]->box.Height(), c.size.height) << c.markup;
    }
}

TEST(HtmlImagesTest, ImageThatDoesNotFitTheRestOfTheLineStartsTheNext) {
    fakes::FakePictures pictures;
    pictures.sizes["p"] = {30, 10};
    const HtmlFont font = Options().font;
    const int a = RunWidth("aaa ", font);
    const HtmlRect rect{0, 0, 1 + a + 29, 10000};
    const HtmlLayout layout = LayoutHtml("aaa <IMG src=\"p\">", Options(HtmlMode::Draw, rect), kMeasurer, {&pictures});
    auto images = Of(layout, HtmlInstrKind::Image);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->line, 1);
    EXPECT_EQ(images[0]->box.left, 1);

    const HtmlRect wide{0, 0, 1 + a + 30, 10000};
    EXPECT_EQ(LayoutHtml("aaa <IMG src=\"p\">", Options(HtmlMode::Measure, wide), kMeasurer, {&pictures}).lineCount, 1);
}

TEST(HtmlImagesTest, AlignAndWrap) {
    fakes::FakePictures pictures;
    pictures.sizes["tall"] = {20, 60};
    const HtmlOptions o = Options();
    const int gh = Gh(o.font);

    const HtmlLayout bottom = LayoutHtml("<IMG src=\"tall\">x", o, kMeasurer, {&pictures});
    EXPECT_EQ(RunWithText(bottom, "x")->box.bottom, kRect.top + 60);
    const HtmlLayout top = LayoutHtml("<IMG src=\"tall\" align=\"top\">x", o, kMeasurer, {&pictures});
    EXPECT_EQ(RunWithText(top, "x")->box.top, kRect.top);
    const HtmlLayout middle = LayoutHtml("<IMG src=\"tall\" align=\"middle\">x", o, kMeasurer, {&pictures});
    EXPECT_EQ(RunWithText(middle, "x")->box.bottom, kRect.top + 30);

    // WRAP: the line keeps its text height and the next lines start beside the image.
    const HtmlLayout wrapped = LayoutHtml("<IMG src=\"tall\" wrap>a<BR>b<BR>c<BR>d<BR>e", o, kMeasurer, {&pictures});
    EXPECT_EQ(RunWithText(wrapped, "b")->box.top, kRect.top + gh + o.lineSpacing);
    EXPECT_EQ(RunWithText(wrapped, "b")->box.left, kRect.left + 1 + 20);
    const HtmlInstr* below = nullptr;
    for (const char* t : {"a", "b", "c", "d", "e"}) {
        const HtmlInstr* r = RunWithText(wrapped, t);
        if (r->box.top >= kRect.top + 60) {
            below = r;
            break;
        }
        EXPECT_EQ(r->box.left, kRect.left + 1 + 20) << t;
    }
    ASSERT_NE(below, nullptr);
    EXPECT_EQ(below->box.left, kRect.left + 1) << "below the image lines start at the left again";
}

TEST(HtmlImagesTest, AltSourceReplacesTheHoveredImage) {
    fakes::FakePictures pictures;
    pictures.sizes = {{"plain", {10, 10}}, {"hot", {12, 12}}};
    HtmlOptions o = Options();
    const char* markup = "<IMG src=\"plain\"><IMG src=\"plain\" alt=\"hot\">";
    o.hoveredImage = 1;
    const HtmlLayout hovered = LayoutHtml(markup, o, kMeasurer, {&pictures});
    auto images = Of(hovered, HtmlInstrKind::Image);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0]->image.source, "plain");
    EXPECT_EQ(images[1]->image.source, "hot");
    EXPECT_EQ(images[1]->box.Width(), 12);
    o.hoveredImage = -1;
    const HtmlLayout plain = LayoutHtml(markup, o, kMeasurer, {&pictures});
    EXPECT_EQ(Of(plain, HtmlInstrKind::Image)[1]->image.source, "plain");
}

// ---------------------------------------------------------------------------------------------
// Links and hit-testing

TEST(HtmlLinks, HitTestAroundALink) {
    const char* markup = "go <A href=\"http://x\">here</A> now";
    const HtmlLayout layout = LayoutHtml(markup, Options(), kMeasurer);
    const HtmlRect box = RunWithText(layout, "here")->box;
    struct Case {
        const char* what;
        int x, y;
        bool hit;
    } cases[] = {
        {"top left corner", box.left, box.top, true},
        {"bottom right corner", box.right - 1, box.bottom - 1, true},
        {"centre", (box.left + box.right) / 2, (box.top + box.bottom) / 2, true},
        {"left of it, on 'go'", box.left - 1, box.top, false},
        {"right of it, on the blank", box.right, box.top, false},
        {"above", box.left, box.top - 1, false},
        {"below", box.left, box.bottom, false},
        {"far away", -1000, 1000, false},
    };
    for (const auto& c : cases) {
        auto hit = HitTestHtml(layout, c.x, c.y);
        EXPECT_EQ(hit.has_value(), c.hit) << c.what;
        if (hit) {
            EXPECT_EQ(hit->target, "http://x") << c.what;
            EXPECT_EQ(hit->link, 0) << c.what;
        }
        HtmlOptions o = Options(HtmlMode::HitTest);
        o.hitX = c.x;
        o.hitY = c.y;
        const HtmlLayout tested = LayoutHtml(markup, o, kMeasurer);
        EXPECT_EQ(tested.hitTarget, c.hit ? "http://x" : "") << c.what << " (hit-test mode)";
    }
}

TEST(HtmlLinks, ImageInsideALinkIsHitAndNamed) {
    fakes::FakePictures pictures;
    pictures.sizes["p"] = {16, 16};
    HtmlOptions o = Options(HtmlMode::HitTest);
    o.hitX = kRect.left + 1 + 8;
    o.hitY = kRect.top + 8;
    const HtmlLayout layout = LayoutHtml("<A href=\"pic\"><IMG src=\"p\"></A><IMG src=\"p\">", o, kMeasurer, {&pictures});
    EXPECT_EQ(layout.hitTarget, "pic");
    EXPECT_EQ(layout.hitImage, 0);
    EXPECT_FALSE(HitTestHtml(layout, kRect.left + 1 + 16 + 8, kRect.top + 8)) << "an image outside a link";
}

// ---------------------------------------------------------------------------------------------
// Lists and rules

TEST(HtmlLists, ItemsStartLinesWithTheirBullets) {
    const HtmlOptions o = Options();
    const HtmlLayout layout =
        LayoutHtml("<UL><LI>one<LI type=\"square\" color=\"clRed\">two<UL><LI type=\"circle\">three</UL></UL>", o, kMeasurer);
    const HtmlInstr* one = RunWithText(layout, "one");
    const HtmlInstr* two = RunWithText(layout, "two");
    const HtmlInstr* three = RunWithText(layout, "three");
    ASSERT_TRUE(one && two && three);
    EXPECT_EQ(one->line, 1) << "<UL> ends its line";
    EXPECT_EQ(two->line, 2) << "an item after content starts a new line";
    EXPECT_EQ(three->line, 3) << "a nested <UL> ends the line it is on";
    auto bullets = Of(layout, HtmlInstrKind::Bullet);
    ASSERT_EQ(bullets.size(), 3u);
    const int left = kRect.left + 1;
    EXPECT_EQ(bullets[0]->bullet, HtmlBullet::Symbol);
    EXPECT_EQ(bullets[0]->text, "\xB7") << "odd list levels";
    EXPECT_EQ(layout.fonts[bullets[0]->font].name, "Symbol");
    EXPECT_EQ(bullets[0]->box.left, left + 12);
    EXPECT_EQ(bullets[1]->bullet, HtmlBullet::Square);
    EXPECT_EQ(bullets[1]->colour, 0x0000FFu);
    EXPECT_EQ(bullets[1]->box.Width(), 8);
    EXPECT_EQ(bullets[2]->bullet, HtmlBullet::Circle);
    EXPECT_EQ(bullets[2]->box.left, left + 24);
    EXPECT_EQ(two->box.left, left + 12 + 12);
    EXPECT_GE(one->box.left, bullets[0]->box.right);
}

TEST(HtmlLists, RuleEndsTheLineAndDrawsBelowIt) {
    const HtmlOptions o = Options();
    const HtmlLayout layout = LayoutHtml("above<HR>below", o, kMeasurer);
    auto rules = Of(layout, HtmlInstrKind::Rule);
    ASSERT_EQ(rules.size(), 1u);
    const int gh = Gh(o.font);
    EXPECT_EQ(rules[0]->box.top, kRect.top + gh + 1);
    EXPECT_EQ(rules[0]->box.left, kRect.left);
    EXPECT_EQ(rules[0]->box.right, kRect.right);
    EXPECT_EQ(RunWithText(layout, "below")->line, 1);
}

// ---------------------------------------------------------------------------------------------
// Painting

TEST(HtmlPaint, RunBackgroundShadowAndText) {
    HtmlOptions o = Options();
    o.shadowColour = 0x0A0B0C;
    o.shadowOffset = 3;
    const HtmlLayout layout = LayoutHtml("<SHAD><FONT bgcolor=\"clYellow\">x</FONT></SHAD>", o, kMeasurer);
    const HtmlRect box = RunWithText(layout, "x")->box;
    RecordingCanvas canvas;
    PaintHtml(layout, canvas, o);
    ASSERT_EQ(canvas.calls.size(), 3u);
    EXPECT_EQ(canvas.calls[0].op, "FillRect");
    EXPECT_EQ(canvas.calls[0].rect, (HtmlRect{box.left + 1, box.top, box.left + 1 + box.Width() + 1, box.bottom}));
    EXPECT_EQ(canvas.calls[0].colour, 0x00FFFFu);
    EXPECT_EQ(canvas.calls[1].op, "DrawText");
    EXPECT_EQ(canvas.calls[1].colour, 0x0A0B0Cu);
    EXPECT_EQ(canvas.calls[1].rect.left, box.left + 3);
    EXPECT_EQ(canvas.calls[1].rect.top, box.top + 3);
    EXPECT_EQ(canvas.calls[2].op, "DrawText");
    EXPECT_EQ(canvas.calls[2].colour, o.font.colour);
    EXPECT_EQ(canvas.calls[2].rect.left, box.left);
}

TEST(HtmlPaint, LinkUnderlineContinuesAcrossBlanksBetweenItsWords) {
    const HtmlOptions o = Options();
    const HtmlLayout layout = LayoutHtml("<A href=\"t\">two words</A> after <U>end </U>", o, kMeasurer);
    const HtmlInstr* two = RunWithText(layout, "two ");
    const HtmlInstr* words = RunWithText(layout, "words");
    const HtmlInstr* end = RunWithText(layout, "end ");
    ASSERT_TRUE(two && words && end);
    EXPECT_EQ(two->inkRight, two->box.left + RunWidth("two", o.font));
    EXPECT_EQ(end->inkRight, end->box.left + RunWidth("end", o.font));
    RecordingCanvas canvas;
    PaintHtml(layout, canvas, o);
    auto underlines = canvas.Of("Underline");
    ASSERT_EQ(underlines.size(), 3u) << "one under each underlined run, none under 'after'";
    EXPECT_EQ(underlines[0]->rect, (HtmlRect{two->box.left, two->box.top, words->box.left, two->box.top}))
        << "through the blank to the next word of the link";
    EXPECT_EQ(underlines[0]->colour, o.linkColour);
    EXPECT_EQ(underlines[1]->rect, (HtmlRect{words->box.left, words->box.top, words->box.right, words->box.top}));
    EXPECT_EQ(underlines[2]->rect.right, end->inkRight) << "not under the last word's blank";
    EXPECT_TRUE(canvas.Of("StrikeOut").empty());

    const HtmlLayout struck = LayoutHtml("<S>gone </S>", o, kMeasurer);
    RecordingCanvas strikeCanvas;
    PaintHtml(struck, strikeCanvas, o);
    auto strikes = strikeCanvas.Of("StrikeOut");
    ASSERT_EQ(strikes.size(), 1u);
    EXPECT_EQ(strikes[0]->rect.right, RunWithText(struck, "gone ")->box.left + RunWidth("gone", o.font));
}

TEST(HtmlPaint, ErrorMarkIsARedZigZagUnderTheRun) {
    const HtmlLayout layout = LayoutHtml("<E>wrong</E>", Options(), kMeasurer);
    const HtmlRect box = RunWithText(layout, "wrong")->box;
    RecordingCanvas canvas;
    PaintHtml(layout, canvas, Options());
    auto zigzag = canvas.Of("DrawPolyline");
    ASSERT_EQ(zigzag.size(), 1u);
    EXPECT_EQ(zigzag[0]->colour, 0x0000FFu);
    const auto& p = zigzag[0]->points;
    ASSERT_GE(p.size(), 2u);
    EXPECT_EQ(p.front().x, box.left);
    EXPECT_LE(p.back().x, box.right);
    for (std::size_t i = 1; i < p.size(); ++i) {
        EXPECT_EQ(p[i].x - p[i - 1].x, 2);
        EXPECT_EQ(std::abs(p[i].y - p[i - 1].y), 2);
        EXPECT_GE(p[i].y, box.bottom - 3);
        EXPECT_LT(p[i].y, box.bottom);
    }
}

TEST(HtmlPaint, BackgroundsComeFirst) {
    HtmlOptions o = Options();
    const HtmlLayout layout =
        LayoutHtml("x<BODY bgcolor=\"clRed\" bgcolorto=\"clBlue\" dir=\"V\"><P bgcolor=\"clLime\">y</P>z<HR>", o, kMeasurer);
    RecordingCanvas canvas;
    PaintHtml(layout, canvas, o);
    ASSERT_GE(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].op, "FillGradient");
    EXPECT_EQ(canvas.calls[0].rect, kRect);
    EXPECT_EQ(canvas.calls[0].colour, 0x0000FFu);
    EXPECT_EQ(canvas.calls[0].colourTo, 0xFF0000u);
    auto fills = canvas.Of("FillRect");
    ASSERT_EQ(fills.size(), 1u) << "the paragraph's line only; runs after BODY have no background";
    EXPECT_EQ(fills[0]->colour, 0x00FF00u);
    EXPECT_EQ(fills[0]->rect.left, kRect.left);
    EXPECT_EQ(fills[0]->rect.right, kRect.right);
    EXPECT_EQ(canvas.Of("DrawLine").size(), 1u);
    EXPECT_EQ(canvas.Of("DrawLine")[0]->colour, 0u);
}

}  // namespace
}  // namespace ctl
