// Lays out HTML captions of 256 KB, 512 KB and 1 MB with the fake measurer and prints the time
// of each step. The layout is meant to be linear in the caption's length: the time per KB should
// stay flat from one size to the next.

#include <chrono>
#include <cstdio>
#include <string>

#include "controls/HtmlCaption.h"
#include "controls/HtmlCaptionPaint.h"
#include "tests/controls/html_caption_fakes.h"
#include "bench/BenchClock.h"

namespace {

// A caption that uses most of the mark-up: words, entities, links, font changes, line breaks,
// paragraphs, lists, pictures.
std::string Caption(std::size_t bytes) {
    const std::string block =
        "<P align=\"center\">Tom &amp; Jerry &quot;quoted&quot; &euro; 10 &lt;tag&gt;</P>"
        "<A href=\"http://example.invalid/page\">a link <B>with bold</B> words</A> and "
        "<FONT face=\"Verdana\" size=\"3\" color=\"clRed\" bgcolor=\"#FFFF00\">coloured text</FONT> "
        "<IMG src=\"logo\"> <I>italic</I> <U>under</U> <SHAD>shadow</SHAD> <E>wrong</E><BR>"
        "<UL><LI>first item<LI type=\"square\">second item</UL>\r\n";
    std::string text;
    text.reserve(bytes + block.size());
    while (text.size() < bytes) text += block;
    text.resize(bytes);
    return text;
}

}  // namespace

int main() {
    ctl::fakes::FakeMeasurer measurer;
    ctl::fakes::FakePictures pictures;
    pictures.sizes["logo"] = {32, 24};
    const ctl::HtmlImages images{&pictures};
    ctl::HtmlOptions options;
    options.rect = ctl::HtmlRect{0, 0, 600, 1'000'000'000};

    std::printf("%-8s %10s %10s %10s %10s %10s %12s\n", "size", "prepare", "measure", "layout", "paint",
                "lines", "layout ms/KB");
    for (std::size_t kb : {256, 512, 1024}) {
        const std::string caption = Caption(kb * 1024);
        using clock = bench::Clock;
        using bench::Milliseconds;
        auto t0 = clock::now();
        const std::string prepared = ctl::PrepareHtml(caption);
        auto t1 = clock::now();
        options.mode = ctl::HtmlMode::Measure;
        const ctl::HtmlLayout measured = ctl::LayoutHtml(caption, options, measurer, images);
        auto t2 = clock::now();
        options.mode = ctl::HtmlMode::Draw;
        const ctl::HtmlLayout drawn = ctl::LayoutHtml(caption, options, measurer, images);
        auto t3 = clock::now();
        ctl::fakes::CountingCanvas canvas;
        ctl::PaintHtml(drawn, canvas, options);
        auto t4 = clock::now();
        std::printf("%5zu KB %8.1f ms %7.1f ms %7.1f ms %7.1f ms %10d %12.3f\n", kb, Milliseconds(t1 - t0),
                    Milliseconds(t2 - t1), Milliseconds(t3 - t2), Milliseconds(t4 - t3), measured.lineCount,
                    Milliseconds(t3 - t2) / static_cast<double>(kb));
        if (prepared.empty() || drawn.instrs.empty() || canvas.calls == 0) return 1;
    }
    return 0;
}
