// Fuzzes the HTML caption's preparation, parsing, layout, hit test and painting with the fake
// measurer. Besides crashes and hangs it checks:
//   - preparation agrees with the rule taken literally (first occurrence replaced, round by round);
//   - measuring and hit-testing lay out the same lines (neither drops any), and drawing the lines
//     it keeps of them;
//   - the work stays linear: measurer calls and instructions are bounded by the input's length.
// The first input byte chooses the options; the rest is the mark-up.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include "controls/HtmlCaption.h"
#include "controls/HtmlCaptionPaint.h"
#include "tests/controls/html_caption_fakes.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t choice = data[0];
    const std::string markup(reinterpret_cast<const char*>(data + 1), size - 1);

    // The literal rule is quadratic: compared on short inputs only.
    if (markup.size() <= 512) Check(ctl::PrepareHtml(markup) == ctl::fakes::PrepareByTheRule(markup));

    ctl::fakes::FakePictures pictures;
    pictures.sizes = {{"1", {48, 32}}, {"p", {7, 90}}, {"wide", {400, 5}}};
    ctl::fakes::FakeImageList list;
    list.count = 3;
    list.size = {16, 16};
    ctl::fakes::FakeIcons icons;
    const ctl::HtmlImages images{&pictures, &list, &icons};

    ctl::HtmlOptions options;
    options.font = ctl::HtmlFont{"Tahoma", 8 + (choice & 3)};
    const int width = (choice & 0x30) == 0 ? 0 : 40 * ((choice >> 4) & 3) + 3;
    options.rect = ctl::HtmlRect{5, 7, 5 + width, (choice & 0x40) ? 60 : 10000};
    options.wordWrap = (choice & 0x80) == 0;
    options.imageScale = (choice & 4) ? 2.0 : 1.0;
    options.hoveredLink = (choice & 8) ? 0 : -1;
    options.hoveredImage = (choice & 8) ? 1 : -1;
    options.hoverColour = 0x00FF00;
    options.hoverBackground = 0x0000FF;
    options.hitX = 5 + (choice % 37);
    options.hitY = 7 + (choice % 23);

    const ctl::fakes::FakeMeasurer measurer;
    const long bound = 4 * static_cast<long>(size) + 64;

    options.mode = ctl::HtmlMode::Measure;
    const ctl::HtmlLayout measured = ctl::LayoutHtml(markup, options, measurer, images);
    Check(measured.height >= 2 && measured.width >= 0 && measured.instrs.empty());
    Check(measurer.calls <= bound);

    options.mode = ctl::HtmlMode::HitTest;
    measurer.calls = 0;
    const ctl::HtmlLayout tested = ctl::LayoutHtml(markup, options, measurer, images);
    Check(tested.lineCount == measured.lineCount && tested.width == measured.width &&
          tested.height == measured.height && tested.plainText == measured.plainText);
    Check(measurer.calls <= 2 * bound);
    Check(static_cast<long>(tested.instrs.size()) <= bound);
    if (auto hit = ctl::HitTestHtml(tested, options.hitX, options.hitY)) {
        Check(hit->link >= 0 && hit->link < static_cast<int>(tested.links.size()));
        Check(tested.hitTarget == hit->target);
    }

    options.mode = ctl::HtmlMode::Draw;
    const ctl::HtmlLayout drawn = ctl::LayoutHtml(markup, options, measurer, images);
    Check(drawn.lineCount <= measured.lineCount);
    // A layout of every line serves painting too: its drawn lines are what Draw mode makes.
    const ctl::HtmlLayout kept = ctl::DrawnLines(tested);
    Check(kept.instrs == drawn.instrs && kept.lineCount == drawn.lineCount);
    for (const auto& instr : drawn.instrs) {
        Check(instr.box.left <= instr.box.right && instr.box.top <= instr.box.bottom);
        if (instr.font >= 0) Check(instr.font < static_cast<int>(drawn.fonts.size()));
    }
    ctl::fakes::CountingCanvas canvas;
    ctl::PaintHtml(drawn, canvas, options);
    // At most six calls a text run (background, shadow, text, underline, strike-out, error mark).
    Check(canvas.calls <= 6 * static_cast<long>(drawn.instrs.size()) + 4);
    return 0;
}
