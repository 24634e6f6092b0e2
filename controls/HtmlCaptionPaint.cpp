#include "controls/HtmlCaptionPaint.h"

namespace ctl {

namespace {

constexpr HtmlColour kErrorColour = 0x0000FF;  // red

// The next run on the same line, when it directly follows `index` in the list.
const HtmlInstr* NextRunOnLine(const HtmlLayout& layout, std::size_t index) {
    if (index + 1 >= layout.instrs.size()) return nullptr;
    const HtmlInstr& next = layout.instrs[index + 1];
    if (next.kind != HtmlInstrKind::Text || next.line != layout.instrs[index].line) return nullptr;
    return &next;
}

void PaintRun(const HtmlLayout& layout, std::size_t index, HtmlCanvas& canvas, const HtmlOptions& options) {
    const HtmlInstr& run = layout.instrs[index];
    if (run.font < 0 || run.font >= static_cast<int>(layout.fonts.size())) return;
    const HtmlFont& font = layout.fonts[run.font];
    const HtmlRect& box = run.box;
    if (run.colour != fw::clNone)
        canvas.FillRect(HtmlRect{box.left + 1, box.top, box.left + 1 + box.Width() + 1, box.bottom}, run.colour);
    if (run.shadow && options.shadowColour != fw::clNone)
        canvas.DrawText(run.text, box.left + options.shadowOffset, box.top + options.shadowOffset, font,
                        options.shadowColour);
    canvas.DrawText(run.text, box.left, box.top, font, font.colour);

    // An underline ends with the word, or runs on through the blank to the next underlined run
    // of the same link on the line.
    if (font.underline) {
        int end = run.inkRight;
        if (const HtmlInstr* next = NextRunOnLine(layout, index);
            next && next->link == run.link && next->font >= 0 && next->font < static_cast<int>(layout.fonts.size()) &&
            layout.fonts[next->font].underline && next->box.left >= run.inkRight) {
            end = next->box.left;
        }
        canvas.DrawTextLine(HtmlTextLine::Underline, box.left, end, box.top, font, font.colour);
    }
    if (font.strikeOut) canvas.DrawTextLine(HtmlTextLine::StrikeOut, box.left, run.inkRight, box.top, font, font.colour);

    if (run.errorMark && box.Width() > 0) {
        // A zig-zag of 2-pixel steps along the bottom of the run.
        std::vector<HtmlPoint> points;
        const int low = box.bottom - 1, high = box.bottom - 3;
        bool up = false;
        for (int x = box.left; x <= box.right; x += 2, up = !up) points.push_back({x, up ? high : low});
        if (points.size() >= 2) canvas.DrawPolyline(points, kErrorColour);
    }
}

}  // namespace

void PaintHtml(const HtmlLayout& layout, HtmlCanvas& canvas, const HtmlOptions& options) {
    for (std::size_t i = 0; i < layout.instrs.size(); ++i) {
        const HtmlInstr& instr = layout.instrs[i];
        switch (instr.kind) {
        case HtmlInstrKind::Background:
            if (instr.colour == fw::clNone) break;
            if (instr.colourTo == fw::clNone)
                canvas.FillRect(instr.box, instr.colour);
            else
                canvas.FillGradient(instr.box, instr.colour, instr.colourTo, instr.horizontal);
            break;
        case HtmlInstrKind::Text: PaintRun(layout, i, canvas, options); break;
        case HtmlInstrKind::Image: canvas.DrawImage(instr.image, instr.box); break;
        case HtmlInstrKind::Bullet:
            switch (instr.bullet) {
            case HtmlBullet::Square: canvas.FillRect(instr.box, instr.colour); break;
            case HtmlBullet::Circle: canvas.FillEllipse(instr.box, instr.colour); break;
            case HtmlBullet::Symbol:
                if (instr.font >= 0 && instr.font < static_cast<int>(layout.fonts.size()))
                    canvas.DrawText(instr.text, instr.box.left, instr.box.top, layout.fonts[instr.font], instr.colour);
                break;
            }
            break;
        case HtmlInstrKind::Rule:
            canvas.DrawLine({instr.box.left, instr.box.top}, {instr.box.right, instr.box.top}, instr.colour);
            break;
        }
    }
}

}  // namespace ctl
