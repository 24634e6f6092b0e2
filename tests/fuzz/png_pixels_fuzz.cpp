// The window's reading of plain PNG files (framework/PngPixels.h) on arbitrary input, taken twice.
// As a file, it must merely not crash. As the choices of a PNG writer: any header (every bit depth
// and colour type, valid or not, interlaced or not, sizes from none to past the limit), rows with
// any filter types, the data split over several chunks, other chunks before, between and after the
// data or after the end, a palette, a wrong CRC, a stream or file cut short, an end chunk missing
// or not empty. The reading must take such a file exactly when it is a plain one (8-bit RGBA, not
// interlaced, only text, time and physical size beside the data, all of it well-formed), and then
// give the pixels of the plain decoding below: the data chunks inflated whole, each row's filter
// undone, each pixel 0xAARRGGBB with its alpha as it stands.

#include <fuzzer/FuzzedDataProvider.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/PngPixels.h"
#include "tests/controls/advgdip_png.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kEdges[] = {0, 1, 4096, 4097, 1u << 24, (1u << 24) + 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
// Chunks besides the header and the data: the first five say nothing about the pixels.
constexpr const char* kOthers[] = {"tEXt", "zTXt", "iTXt", "tIME", "pHYs", "gAMA", "sRGB", "iCCP",
                                   "bKGD", "sBIT", "tRNS", "PLTE", "prVt", "HDRX", "IHDR"};
constexpr int kHarmless = 5;
// Pictures of up to this many pixels get rows from the input. Plain ones just past the limit get
// rows of zeros (their stream made once), which the reading must refuse for the size alone. Any other
// larger picture gets a few of the input's bytes as its data: too few (decoding a picture at the limit
// takes longer under the sanitizers than a run may).
constexpr std::uint64_t kSmall = 1 << 16;

Bytes Compressed(const Bytes& raw, int level) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level);
    out.resize(size);
    return out;
}

// A share of a size, from two bytes of the input.
std::size_t Part(std::size_t size, std::uint16_t share) { return size * share / 0xFFFF; }

// The zlib stream of the picture's rows, each a filter type and its pixels' bits rounded up to bytes;
// when interlaced, the seven passes' rows one after another. `odd` adds a byte or takes one off,
// picks the compression level (0: stored blocks) and may cut the stream at `cut`. Larger pictures:
// see kSmall (plain: 8-bit RGBA, methods all 0).
Bytes Stream(FuzzedDataProvider& in, std::uint64_t width, std::uint64_t height, int bitsPerPixel, bool interlaced,
             bool plain, std::uint8_t odd, std::uint16_t cut) {
    const std::uint64_t pixels = width * height;
    if (pixels > kSmall) {
        if (!plain || pixels <= fw::kMaxPlainPngPixels || pixels > fw::kMaxPlainPngPixels + 4097) {
            return in.ConsumeBytes<std::uint8_t>(64);
        }
        static std::map<std::uint64_t, Bytes> zeros;
        const std::uint64_t size = height * (1 + width * 4);
        if (!zeros.count(size)) zeros[size] = Compressed(Bytes(size), 9);
        return zeros[size];
    }
    // The whole picture; the passes of an interlaced one: first column and row, steps across and down.
    constexpr std::array<std::uint64_t, 4> kPasses[] = {
        {0, 0, 1, 1}, {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    Bytes raw;
    for (const auto& [x, y, dx, dy] : interlaced ? std::span(kPasses).subspan(1) : std::span(kPasses).first(1)) {
        const std::uint64_t w = width > x ? (width - x + dx - 1) / dx : 0;
        const std::uint64_t h = height > y ? (height - y + dy - 1) / dy : 0;
        const std::size_t length = (w * bitsPerPixel + 7) / 8;
        for (std::uint64_t row = 0; w && row < h; ++row) {
            const std::uint8_t filter = in.ConsumeIntegral<std::uint8_t>();
            raw.push_back(filter < 250 ? filter % 5 : filter);
            Bytes line = in.ConsumeBytes<std::uint8_t>(length);
            line.resize(length);
            raw.insert(raw.end(), line.begin(), line.end());
        }
    }
    if (odd & 1) raw.push_back(0);
    if (odd & 2 && !raw.empty()) raw.pop_back();
    Bytes stream = Compressed(raw, odd >> 2 & 7);
    if (odd & 0x20) stream.resize(Part(stream.size(), cut));
    return stream;
}

struct Png {
    Bytes file;
    std::uint32_t width = 0, height = 0;
    Bytes stream;        // the data chunks' contents, one after another
    bool plain = false;  // all but the data is that of a well-formed plain picture (the reference judges the data)
};

// The choices come first, the rows' bytes last: a change to one choice leaves the others as they were.
Png Write(FuzzedDataProvider& in) {
    Png png;
    const bool rgba8 = in.ConsumeBool();
    const std::uint8_t depth = rgba8 ? 8 : in.PickValueInArray<std::uint8_t>({1, 2, 4, 8, 16, 0, 3, 32});
    const std::uint8_t colour = rgba8 ? 6 : in.PickValueInArray<std::uint8_t>({0, 2, 3, 4, 6, 1, 5, 7});
    const std::uint8_t methods = in.ConsumeIntegral<std::uint8_t>();  // compression, filtering, interlacing
    auto dimension = [&] {
        return in.ConsumeBool() ? in.PickValueInArray(kEdges) : in.ConsumeIntegralInRange<std::uint32_t>(0, 40);
    };
    png.width = dimension();
    png.height = dimension();
    const int pieces = in.ConsumeIntegralInRange(1, 4);
    std::vector<std::uint16_t> cuts(pieces + 1, 0xFFFF);
    for (int i = 1; i < pieces; ++i) cuts[i] = in.ConsumeIntegral<std::uint16_t>();
    cuts[0] = 0;
    std::sort(cuts.begin(), cuts.end());
    struct Other {
        std::size_t kind;
        int slot;  // 0: before the data, k: after its k-th chunk (pieces: after the data), pieces + 1: after the end
        std::size_t size;
    };
    std::vector<Other> others(in.ConsumeIntegralInRange(0, 4));
    for (Other& other : others) {
        other.kind = in.ConsumeIntegralInRange<std::size_t>(0, std::size(kOthers) - 1);
        other.slot = in.ConsumeIntegralInRange(0, pieces + 1);
        other.size = in.ConsumeIntegralInRange<std::size_t>(0, 257);
    }
    // 1: no end chunk, 2: an end chunk not empty, 4: a CRC wrong, 8: the file cut short.
    const std::uint8_t end = in.ConsumeIntegral<std::uint8_t>();
    const std::uint8_t wrong = in.ConsumeIntegral<std::uint8_t>(), odd = in.ConsumeIntegral<std::uint8_t>();
    const std::uint16_t streamCut = in.ConsumeIntegral<std::uint16_t>(), fileCut = in.ConsumeIntegral<std::uint16_t>();

    constexpr int kChannels[8] = {1, 1, 3, 1, 2, 1, 4, 1};  // by colour type (one for the undefined ones)
    png.plain = depth == 8 && colour == 6 && !(methods & 0xF);
    png.stream = Stream(in, png.width, png.height, depth * kChannels[colour], methods & 0xC, png.plain, odd, streamCut);
    const std::uint64_t pixels = std::uint64_t{png.width} * png.height;
    png.plain = png.plain && pixels && pixels <= fw::kMaxPlainPngPixels && !(end & 3);

    Bytes header;
    testpng::PutBe(header, png.width);
    testpng::PutBe(header, png.height);
    for (int field : {int{depth}, int{colour}, methods & 1, methods >> 1 & 1, methods >> 2 & 3}) {
        header.push_back(static_cast<std::uint8_t>(field));
    }
    std::vector<std::pair<std::string, Bytes>> chunks{{"IHDR", header}};
    std::size_t read = 0;  // the chunks read: through the end chunk
    for (int slot = 0; slot <= pieces + 1; ++slot) {
        if (slot > 0 && slot <= pieces) {
            const auto from = png.stream.begin();
            const std::size_t size = png.stream.size();
            chunks.emplace_back("IDAT", Bytes(from + Part(size, cuts[slot - 1]), from + Part(size, cuts[slot])));
        }
        if (slot == pieces + 1 && !(end & 1)) {
            chunks.emplace_back("IEND", Bytes(end & 2 ? 4 : 0, 0));
            read = chunks.size();
        }
        for (const auto& [kind, at, size] : others) {
            if (at != slot) continue;
            chunks.emplace_back(kOthers[kind], Bytes(std::string_view(kOthers[kind]) == "PLTE" ? 3 * size : size, 'x'));
            if (slot <= pieces) png.plain = png.plain && kind < kHarmless && (slot == 0 || slot == pieces);
        }
    }
    png.file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::size_t wrongCrc = end & 4 ? wrong % chunks.size() : chunks.size();
    std::size_t needed = 0;  // the file's bytes through the end chunk
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        testpng::Chunk(png.file, chunks[i].first, chunks[i].second);
        if (i == wrongCrc) png.file.back() ^= 1;
        if (i + 1 == read) needed = png.file.size();
    }
    if (end & 8) png.file.resize(Part(png.file.size(), fileCut));
    png.plain = png.plain && wrongCrc >= read && png.file.size() >= needed;
    return png;
}

// The plain decoding of an 8-bit RGBA picture's data: inflated whole into exactly its rows, each
// row's filter undone as defined, each pixel as 0xAARRGGBB. Nothing for any other data.
std::optional<std::vector<std::uint32_t>> Reference(const Bytes& stream, std::size_t width, std::size_t height) {
    const std::size_t stride = 1 + 4 * width;
    Bytes rows(stride * height + 1);  // a byte more, to tell a longer stream
    uLongf size = rows.size();
    if (uncompress(rows.data(), &size, stream.data(), stream.size()) != Z_OK || size != stride * height) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> argb;
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = &rows[y * stride];
        const std::uint8_t* above = y ? row - stride : nullptr;
        if (row[0] > 4) return std::nullopt;
        for (std::size_t i = 1; i < stride; ++i) {
            const int a = i > 4 ? row[i - 4] : 0, b = above ? above[i] : 0, c = above && i > 4 ? above[i - 4] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predicted[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
            row[i] = static_cast<std::uint8_t>(row[i] + predicted[row[0]]);
        }
        for (std::size_t i = 1; i < stride; i += 4) {
            const std::uint32_t r = row[i], g = row[i + 1], b = row[i + 2], a = row[i + 3];
            argb.push_back(a << 24 | r << 16 | g << 8 | b);
        }
    }
    return argb;
}

void Fail(const char* what, const Png& png) {
    std::fprintf(stderr, "%s (%u x %u, %zu bytes)\n", what, png.width, png.height, png.file.size());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const auto picture = fw::ReadPlainPng({data, size})) {
        if (picture->argb.size() != std::size_t(picture->width) * picture->height) std::abort();
    }
    FuzzedDataProvider in(data, size);
    const Png png = Write(in);
    const auto picture = fw::ReadPlainPng(png.file);
    const auto expected = png.plain ? Reference(png.stream, png.width, png.height) : std::nullopt;
    if (picture.has_value() != expected.has_value()) {
        Fail(picture ? "read a file that is not a plain PNG" : "refused a plain PNG", png);
    }
    if (picture && (std::uint32_t(picture->width) != png.width || std::uint32_t(picture->height) != png.height ||
                    picture->argb != *expected)) {
        Fail("pixels other than the plain decoding's", png);
    }
    return 0;
}
