#pragma once

// The shared piece skin ("sets/bodyparts/tris4.pcx", 256 x 256) keeps its
// bottom row of pixels blocks, y 240 to 255, for sixteen plain swatches of
// tissue colour, 16 x 16 pixels each, left to right in the order below.
// Sets made outside the data generator (torvane-makeset) colour a piece by
// pointing every texture coordinate of it at the centre of one swatch, so
// they never need a skin of their own and never change the shared one.
//
// Two rows of darker shades of the same swatches stand above the plain row,
// so that neighbouring pieces of one tissue (two bones at a joint, the
// chambers of a heart) can be told apart once placed: shade 1 at y 224 to
// 239, shade 2 at y 208 to 223. A shade's colour is the plain colour times
// the skin's tissue shade 2 (0.825) or 0 (0.72), each channel rounded down.

namespace swatch {
constexpr int skinSize = 256; // the skin is square
constexpr int size = 16;      // one swatch is size x size pixels
constexpr int top = 240;      // y of the plain swatch row

struct Tissue
{
    const char *name; // as written in a set maker's manifest
    int r, g, b;      // the swatch's colour in the skin
};

constexpr Tissue tissues[] = {
    {"bone", 244, 236, 210},    {"muscle", 178, 64, 58},      {"liver", 168, 70, 52},
    {"heart", 196, 62, 56},     {"lung", 244, 166, 176},      {"brain", 236, 190, 184},
    {"fat", 246, 216, 120},     {"artery", 232, 52, 48},      {"vein", 78, 104, 210},
    {"nerve", 250, 232, 150},   {"cartilage", 186, 216, 236}, {"kidney", 178, 74, 62},
    {"stomach", 240, 156, 132}, {"bowel", 248, 182, 162},     {"skin", 232, 186, 160},
    {"eye", 250, 250, 246},
};
constexpr int count = int(sizeof tissues / sizeof tissues[0]);
static_assert(count * size == skinSize, "the swatches fill one row of the skin");

// The skin's nine shades of a tissue colour, darkest (0) to lightest (8):
// the colour times this factor, each channel rounded down and at most 255.
constexpr int tissueShades = 9;
constexpr float tissueShade(int s)
{
    return 0.72f + 0.42f * float(s) / float(tissueShades - 1);
}

// Plain, darker, darkest.
constexpr int shadeCount = 3;
constexpr int shadeTop(int shade)
{
    return top - shade * size;
}

struct Colour
{
    int r, g, b;
};

// Swatch i in a shade, as the skin holds it.
constexpr Colour colour(int i, int shade)
{
    const Tissue &t = tissues[i];
    if (shade == 0)
        return {t.r, t.g, t.b};
    const float k = tissueShade(shade == 1 ? 2 : 0);
    const auto c = [k](int v) { return int(float(v) * k) < 255 ? int(float(v) * k) : 255; };
    return {c(t.r), c(t.g), c(t.b)};
}

// Centre pixel of swatch i (in a shade).
constexpr int centreX(int i)
{
    return i * size + size / 2;
}
constexpr int centreY(int shade = 0)
{
    return shadeTop(shade) + size / 2;
}
} // namespace swatch
