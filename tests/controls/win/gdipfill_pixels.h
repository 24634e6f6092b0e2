#pragma once
// Pixel-test helpers: a GDI+ session for the test program (started before its first test), the
// surface the paint tests draw on, and tolerant pixel checks on a 32-bit ARGB bitmap. Wine's GDI+
// is its own implementation: compare with tolerances, never with images made elsewhere.

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

namespace pixels {

// Starts GDI+ before the first test and shuts it down after the last (every GDI+ object of a
// test is gone by then).
class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};
// One session for every test of a program that includes this header.
inline ::testing::Environment* const kGdiplusSession = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

struct Argb {
    int a, r, g, b;
};

inline Argb At(Gdiplus::Bitmap& bitmap, int x, int y) {
    Gdiplus::Color c;
    bitmap.GetPixel(x, y, &c);
    return {c.GetA(), c.GetR(), c.GetG(), c.GetB()};
}

inline std::string Show(Argb p) {
    std::ostringstream out;
    out << "a" << p.a << " r" << p.r << " g" << p.g << " b" << p.b;
    return out.str();
}

// A 32-bit ARGB bitmap and a graphics on it set as the styled controls paint (anti-aliased
// smoothing, anti-aliased grid-fitted text); transparent unless a background colour is given.
struct Surface {
    Gdiplus::Bitmap bitmap;
    Gdiplus::Graphics graphics;
    Surface(int width, int height, std::optional<Gdiplus::Color> background = std::nullopt)
        : bitmap(width, height, PixelFormat32bppARGB), graphics(&bitmap) {
        if (background) graphics.Clear(*background);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    }
    Argb operator()(int x, int y) { return At(bitmap, x, y); }
};

inline const Gdiplus::Color kOpaqueWhite{255, 255, 255, 255};

// Every channel within `tolerance` of the expected one.
inline ::testing::AssertionResult Near(Argb got, Argb want, int tolerance) {
    if (std::abs(got.a - want.a) <= tolerance && std::abs(got.r - want.r) <= tolerance &&
        std::abs(got.g - want.g) <= tolerance && std::abs(got.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << Show(got) << ", expected " << Show(want) << " +-" << tolerance;
}

// Saves a bitmap as PNG (for looking at a failing case by eye).
inline void SavePng(Gdiplus::Bitmap& bitmap, const wchar_t* file) {
    CLSID png{};
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::string buffer(size, '\0');
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(codecs[i].MimeType) == L"image/png") png = codecs[i].Clsid;
    bitmap.Save(file, &png, nullptr);
}

}  // namespace pixels
