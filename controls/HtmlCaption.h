#pragma once
// The HTML caption: a small HTML-like mark-up measured, drawn and hit-tested inside a rectangle.
//
//   prepared = PrepareHtml(markup)            entities, "<#", line feeds and carriage returns
//   layout   = LayoutHtml(markup, options, measurer, images)
//                                             lines, runs and word wrap -> drawing instructions
//   PaintHtml(layout, canvas)                 (controls/HtmlCaptionPaint.h)
//   HitTestHtml(layout, x, y)                 the link under a point, on the same instructions
//
// Everything here is portable: text is measured through TextMeasurer and image sizes come from
// the sources in HtmlImages, so the layout runs (and is tested) without a graphics layer.
// controls/win/HtmlCaptionGdip.h implements them with GDI+ and offers the one-call DrawHTML; the
// smooth panel lays its caption out once for its size (controls/AdvSmoothPanel.h).
//
// The mark-up. A tag runs from "<" to the first ">"; its kind is the first letter after "<" or
// "</" (and for some the second). Attribute names are matched without regard to case, as whole
// words outside quoted values; a value is the text between the double quotes after the name.
//   <A href="t">..</A>   link to t (underlined, in the link colour)
//   <B> <I> <U> <S>      bold, italic, underline, strike-out; </..> switches off
//   <E> <Z> <SHAD>       error zig-zag, hidden text, shadowed text
//   <SUB> <SUP>          subscript, superscript
//   <FONT FACE COLOR BGCOLOR SIZE> </FONT>   SIZE 1..5 = 8, 10, 12, 14, 16 pt, other = points
//   <HI>                 highlight colours
//   <BR> <HR>            line break; line break with a horizontal rule
//   <P ALIGN INDENT BGCOLOR BGCOLORTO> </P>   paragraph alignment, indent, background
//   <UL> <LI TYPE COLOR NAME>                list level, list item with bullet
//   <IND x> <OFS x>      pen to left + x; OFS also offsets the following lines (until </O..>)
//   <BODY BGCOLOR BGCOLORTO DIR>             background behind the runs, or a gradient
//   <IMG SRC ALT WIDTH HEIGHT ALIGN WRAP>    SRC: a picture name, "IDX:n" (image list),
//                                            "SSYS:x" / "LSYS:x" (small / large shell icon,
//                                            x an index or a file or folder path)
//   &amp; &quot; &sect; &permil; &reg; &copy; &para; &trade; &euro; everywhere;
//   &nbsp; &lt; &gt; inside text. A carriage return is a line break; line feeds are dropped.
// Colours are "#RRGGBB" or a name from the classic table ("clRed", "clBtnFace", ...), any
// other value black. Nothing is ever reported: malformed mark-up degrades to plain text.
//
// Text is single-byte Windows-1252. Geometry is whole pixels, left/top/right/bottom rectangles.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Colour.h"

namespace ctl {

class TGDIPPictureContainer;
class TEncodedPicture;

using HtmlColour = fw::TColor;  // 0x00BBGGRR, a system colour (top byte 0xFF), or fw::clNone

struct HtmlFont {
    std::string name = "Tahoma";
    int size = 8;  // points
    HtmlColour colour = fw::clBlack;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    friend bool operator==(const HtmlFont&, const HtmlFont&) = default;
};

// left <= x < right, top <= y < bottom
struct HtmlRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const HtmlRect&, const HtmlRect&) = default;
};

struct HtmlSize {
    int width = 0, height = 0;
    friend bool operator==(const HtmlSize&, const HtmlSize&) = default;
};

// Measures text the way the graphics layer draws it.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // The bounding box, in pixels, of `text` (Windows-1252) drawn in `font` and laid out in a box
    // of layoutWidth x layoutHeight pixels (a dimension <= 0 is unbounded). Trailing blanks take
    // no room, as in the graphics layer's own measuring.
    struct Extent {
        double width = 0, height = 0;
    };
    virtual Extent Measure(std::string_view text, const HtmlFont& font, double layoutWidth,
                           double layoutHeight) const = 0;
};

// Named pictures (a picture container).
class HtmlPictureSource {
public:
    virtual ~HtmlPictureSource() = default;
    // The size of the picture of that name; nullopt when there is none or it is empty.
    virtual std::optional<HtmlSize> PictureSize(std::string_view name) const = 0;
};

// Numbered images of one size (an image list).
class HtmlImageList {
public:
    virtual ~HtmlImageList() = default;
    virtual int Count() const = 0;
    virtual HtmlSize ImageSize() const = 0;
};

// The shell's system icons.
class HtmlSystemIcons {
public:
    virtual ~HtmlSystemIcons() = default;
    // `source` is an icon index (digits) or a file or folder path whose icon is meant; nullopt
    // when the shell has no such icon.
    virtual std::optional<HtmlSize> IconSize(bool large, std::string_view source) const = 0;
};

// Where images come from; any of them may be absent (such images are not found).
struct HtmlImages {
    const HtmlPictureSource* pictures = nullptr;
    const HtmlImageList* imageList = nullptr;
    const HtmlSystemIcons* systemIcons = nullptr;
};

// A picture container as a picture source. `decode` refreshes a picture's size the way the
// caller's graphics layer decodes it; without one the size comes from the file header.
class ContainerPictureSource : public HtmlPictureSource {
public:
    using Decoder = void (*)(TEncodedPicture& picture);
    explicit ContainerPictureSource(const TGDIPPictureContainer* container, Decoder decode = nullptr)
        : container_(container), decode_(decode) {}
    std::optional<HtmlSize> PictureSize(std::string_view name) const override;

private:
    const TGDIPPictureContainer* container_;
    Decoder decode_;
};

enum class HtmlMode {
    Measure,  // size only: lines are laid out once, no instructions are made
    Draw,     // instructions for painting; lines below the rectangle's bottom are dropped
    HitTest,  // instructions for every line, and the link under (hitX, hitY)
};

struct HtmlOptions {
    HtmlFont font;             // the base font
    HtmlRect rect;             // where the caption goes
    int lineSpacing = 2;       // pixels between lines
    HtmlColour linkColour = 0xFF0000;
    HtmlColour hoverColour = fw::clNone;       // text of the hovered link; clNone: link colour
    HtmlColour hoverBackground = fw::clNone;   // background of the hovered link; clNone: none
    HtmlColour shadowColour = 0x808080;
    int shadowOffset = 5;
    double imageScale = 1.0;   // enlargement of shell icons; 1 draws them at their own size
    int dpi = 96;              // the DPI the caption is drawn at: font sizes (points) and pictures
                               // (their pixels are the design's) grow with it from 96
    bool wordWrap = true;
    HtmlMode mode = HtmlMode::Draw;
    int hoveredLink = -1;      // index of the hovered link (links counted from 0), -1 none
    int hoveredImage = -1;     // index of the hovered image (images counted from 0): ALT applies
    int hitX = 0, hitY = 0;    // the point HitTest looks under
};

enum class HtmlImageKind { Picture, ListImage, SmallIcon, LargeIcon };

struct HtmlImageRef {
    HtmlImageKind kind = HtmlImageKind::Picture;
    std::string source;  // picture name, or shell icon index or path
    int index = 0;       // image list index
    friend bool operator==(const HtmlImageRef&, const HtmlImageRef&) = default;
};

enum class HtmlInstrKind {
    Background,  // a fill behind the caption's content: colour, colourTo (clNone: solid), horizontal
    Text,        // a run: text in fonts[font] at box.left/top; background behind it unless clNone
    Image,       // image drawn into box
    Bullet,      // list bullet: bullet kind in `bullet`, colour; an image bullet is an Image
    Rule,        // a 1-pixel line from (box.left, box.top) to (box.right, box.top) in colour
};

enum class HtmlBullet { Symbol, Square, Circle };

struct HtmlInstr {
    HtmlInstrKind kind = HtmlInstrKind::Text;
    HtmlRect box;                  // where it is drawn; a run's box is its measured extent
    int line = 0;                  // index of the line it is on
    int link = -1;                 // index of the link it belongs to, -1 none
    std::string text;              // Text: the run (entities resolved); Bullet: the symbol
    int font = -1;                 // Text, Symbol bullet: index into HtmlLayout::fonts
    HtmlColour colour = fw::clNone;    // Background, Bullet, Rule; Text: its background
    HtmlColour colourTo = fw::clNone;  // Background: gradient end
    bool horizontal = true;            // Background gradient direction
    int inkRight = 0;              // Text: where the text's underline ends (before a trailing blank)
    bool shadow = false;           // Text: drawn first offset by the shadow offset
    bool errorMark = false;        // Text: red zig-zag under it
    HtmlBullet bullet = HtmlBullet::Symbol;
    HtmlImageRef image;            // Image
    int imageIndex = -1;           // Image: index among the caption's images
    friend bool operator==(const HtmlInstr&, const HtmlInstr&) = default;
};

struct HtmlLayout {
    int width = 0;       // the widest line + 2 (0 when no line has any width)
    int height = 0;      // all lines with their spacing + 2 (one empty line when there is none)
    int lineCount = 0;
    // The lines Draw mode keeps: down to the first line whose next would start too low for the
    // rectangle (every line when none does).
    int drawnLineCount = 0;
    std::string plainText;  // the runs concatenated, a carriage return for each <BR>
    std::vector<HtmlFont> fonts;
    std::vector<HtmlInstr> instrs;     // in painting order
    std::vector<std::string> links;    // targets, by link index
    int imageCount = 0;
    // HitTest and Draw: what lies under (hitX, hitY).
    int hitLink = -1;
    int hitImage = -1;
    std::string hitTarget;
};

// Entities, the first "<#" and line ends, as the layout sees the text.
std::string PrepareHtml(std::string_view markup);

// A colour attribute's value: "#RRGGBB" or a classic colour name; anything else 0 (black).
HtmlColour ParseHtmlColour(std::string_view value);

// FONT SIZE: 1..5 are 8, 10, 12, 14 and 16 points, any other positive number is points;
// nullopt for what is not a positive number.
std::optional<int> HtmlFontSize(std::string_view value);

HtmlLayout LayoutHtml(std::string_view markup, const HtmlOptions& options, const TextMeasurer& measurer,
                      const HtmlImages& images = {});

// What Draw mode would make of the rectangle, from a layout of every line (HitTest mode): the
// instructions of the first drawnLineCount lines. Fonts and links stay whole (their indices are
// the same in both), and so do the sizes and the plain text.
HtmlLayout DrawnLines(const HtmlLayout& all);

struct HtmlHit {
    int link = -1;
    std::string target;
    int image = -1;  // the image under the point (inside the link), -1 none
};

// The link under (x, y): a run or image inside a link whose box contains the point.
std::optional<HtmlHit> HitTestHtml(const HtmlLayout& layout, int x, int y);

// Run text primitives, shared by the layout and the graphics layer.
// The rounded height of a string measured in a 10000 x 10000 layout.
int HtmlTextHeight(const TextMeasurer& measurer, std::string_view text, const HtmlFont& font);
// A run's extent at (left, top) in a layout reaching to (right, bottom): the width measured with a
// trailing blank taken as "i" (trailing blanks take no room otherwise), less 2, and less
// round((size - 8) / 1.5) more above 8 points; never negative.
HtmlSize MeasureHtmlRun(const TextMeasurer& measurer, std::string_view text, const HtmlFont& font,
                        const HtmlRect& layout);

}  // namespace ctl
