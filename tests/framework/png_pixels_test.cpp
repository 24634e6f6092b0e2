// The window's own reading of plain PNG pictures: every row filter gives the encoder's pixels back,
// and whatever the reading does not cover is left to the platform rather than misread.
#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cstdlib>
#include <string>

#include "controls/advgdip_png.h"
#include "framework/PngPixels.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using testpng::Chunk;

Bytes Header(std::uint32_t width, std::uint32_t height, std::uint8_t depth = 8, std::uint8_t colourType = 6,
             std::uint8_t interlace = 0) {
    Bytes data;
    testpng::PutBe(data, width);
    testpng::PutBe(data, height);
    data.insert(data.end(), {depth, colourType, 0, 0, interlace});
    return data;
}

Bytes Compressed(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
    out.resize(size);
    return out;
}

// Pixel (x, y) of the test picture, as RGBA bytes: varied enough that every filter predicts wrong.
std::array<std::uint8_t, 4> Rgba(int x, int y) {
    return {static_cast<std::uint8_t>(x * 37 + y * 11), static_cast<std::uint8_t>(x * x + y * 53),
            static_cast<std::uint8_t>(255 - x * 7 - y * y), static_cast<std::uint8_t>(x * 19 ^ y * 23)};
}

// Row y filtered with filter type y % 5 (none, sub, up, average, Paeth), as an encoder does.
Bytes FilteredRows(int width, int height) {
    const int stride = width * 4;
    auto at = [&](int x, int y) -> int { return x < 0 || y < 0 ? 0 : Rgba(x / 4, y)[x % 4]; };
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        const int filter = y % 5;
        raw.push_back(static_cast<std::uint8_t>(filter));
        for (int i = 0; i < stride; ++i) {
            const int value = at(i, y), left = at(i - 4, y), up = at(i, y - 1), upLeft = at(i - 4, y - 1);
            int predicted = 0;
            if (filter == 1) predicted = left;
            if (filter == 2) predicted = up;
            if (filter == 3) predicted = (left + up) / 2;
            if (filter == 4) {
                const int p = left + up - upLeft, pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
                predicted = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
            }
            raw.push_back(static_cast<std::uint8_t>(value - predicted));
        }
    }
    return raw;
}

struct Parts {
    Bytes header = Header(7, 10);
    Bytes before;  // chunks between the header and the data
    Bytes data = Compressed(FilteredRows(7, 10));
    Bytes between;  // chunks between the two halves of the data
    Bytes after;    // chunks after the data
};

Bytes File(const Parts& parts) {
    Bytes file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(file, "IHDR", parts.header);
    file.insert(file.end(), parts.before.begin(), parts.before.end());
    const std::size_t half = parts.data.size() / 2;
    Chunk(file, "IDAT", Bytes(parts.data.begin(), parts.data.begin() + half));
    file.insert(file.end(), parts.between.begin(), parts.between.end());
    Chunk(file, "IDAT", Bytes(parts.data.begin() + half, parts.data.end()));
    file.insert(file.end(), parts.after.begin(), parts.after.end());
    Chunk(file, "IEND", {});
    return file;
}

Bytes OneChunk(const std::string& type, const Bytes& data = {1, 2, 3}) {
    Bytes out;
    Chunk(out, type, data);
    return out;
}

TEST(PngPixels, EveryRowFilterGivesTheEncodersPixelsBack) {
    Parts parts;
    parts.before = OneChunk("tEXt", {'T', 0, 'x'});
    parts.after = OneChunk("tIME", Bytes(7, 1));
    const auto picture = fw::ReadPlainPng(File(parts));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, 7);
    ASSERT_EQ(picture->height, 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 7; ++x) {
            const auto [r, g, b, a] = Rgba(x, y);
            const std::uint32_t expected = std::uint32_t{a} << 24 | std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
            ASSERT_EQ(picture->argb[static_cast<std::size_t>(y * 7 + x)], expected) << x << "," << y;
        }
    }
}

TEST(PngPixels, WhatItDoesNotCoverIsLeftToThePlatform) {
    std::vector<std::pair<std::string, Bytes>> cases;
    auto add = [&](const std::string& what, auto change) {
        Parts parts;
        change(parts);
        cases.emplace_back(what, File(parts));
    };
    add("colour without alpha", [](Parts& p) { p.header = Header(7, 10, 8, 2); });
    add("16 bits per channel", [](Parts& p) { p.header = Header(7, 10, 16); });
    add("interlaced", [](Parts& p) { p.header = Header(7, 10, 8, 6, 1); });
    add("no pixels", [](Parts& p) { p.header = Header(0, 10); });
    add("larger than the limit", [](Parts& p) { p.header = Header(1 << 13, 1 << 13); });
    add("a gamma to apply", [](Parts& p) { p.before = OneChunk("gAMA", {0, 0, 0xB1, 0x8F}); });
    add("a colour profile", [](Parts& p) { p.before = OneChunk("iCCP"); });
    add("transparency chunk", [](Parts& p) { p.before = OneChunk("tRNS"); });
    add("data split by another chunk", [](Parts& p) { p.between = OneChunk("tEXt"); });
    add("data split by another chunk after an empty data chunk", [](Parts& p) {
        p.before = OneChunk("IDAT", {});
        const Bytes text = OneChunk("tEXt");
        p.before.insert(p.before.end(), text.begin(), text.end());
    });
    add("fewer rows than the header says", [](Parts& p) { p.data = Compressed(FilteredRows(7, 9)); });
    add("more rows than the header says", [](Parts& p) { p.data = Compressed(FilteredRows(7, 11)); });
    add("unknown row filter", [](Parts& p) {
        Bytes raw = FilteredRows(7, 10);
        raw[29 * 3] = 5;  // the filter byte of the fourth row
        p.data = Compressed(raw);
    });
    add("not a zlib stream", [](Parts& p) { p.data = Bytes(40, 0xAB); });

    Bytes badCrc = File(Parts{});
    badCrc[8 + 8 + 13] ^= 1;  // the header's CRC
    cases.emplace_back("wrong CRC", badCrc);
    Bytes cut = File(Parts{});
    cut.resize(cut.size() - 12);  // no IEND
    cases.emplace_back("cut short", cut);
    Bytes endNotEmpty = File(Parts{});
    endNotEmpty.resize(endNotEmpty.size() - 12);
    Chunk(endNotEmpty, "IEND", {0, 0, 0, 0});
    cases.emplace_back("an end chunk with content", endNotEmpty);
    Bytes noSignature = File(Parts{});
    noSignature[1] = 'Q';
    cases.emplace_back("no PNG signature", noSignature);
    cases.emplace_back("nothing", Bytes{});

    for (const auto& [what, file] : cases) EXPECT_FALSE(fw::ReadPlainPng(file)) << what;
}

}  // namespace
