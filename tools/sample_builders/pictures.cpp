#include "sample_builders/pictures.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace vorel::samples {
namespace {

RgbPicture NewRgb(int width, int height) {
    return {width, height,
            std::vector<Rgb8>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))};
}

IndexedPicture NewIndexed(int width, int height) {
    return {width, height,
            std::vector<std::uint8_t>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))};
}

std::size_t At(int width, int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
}

int ISqrt(long long v) {
    if (v <= 0) return 0;
    long long r = 0;
    while ((r + 1) * (r + 1) <= v) ++r;
    return static_cast<int>(r);
}

bool InEllipse(long long dx, long long dy, long long rx, long long ry) {
    return dx * dx * ry * ry + dy * dy * rx * rx <= rx * rx * ry * ry;
}

// 5 x 7 blocky glyphs of the letters of VOREL, one string per row.
constexpr std::array<std::array<const char*, 7>, 5> kGlyphs = {{
    {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."},
    {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},
    {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"},
    {"#####", "#....", "#....", "####.", "#....", "#....", "#####"},
    {"#....", "#....", "#....", "#....", "#....", "#....", "#####"},
}};
constexpr int kWordCells = 5 * 6 - 1;  // five letters, a blank column between them
constexpr int kWordRows = 7;

// Whether cell (cx, cy) of the word's 29 x 7 grid is ink.
bool WordCell(int cx, int cy) {
    if (cx < 0 || cy < 0 || cx >= kWordCells || cy >= kWordRows) return false;
    const int column = cx % 6;
    return column < 5 &&
           kGlyphs[static_cast<std::size_t>(cx / 6)][static_cast<std::size_t>(cy)][column] == '#';
}

// A small deterministic hash for scattering stars.
std::uint32_t Scatter(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

}  // namespace

Rgb8 Hue(int step) {
    step %= kHueSteps;
    if (step < 0) step += kHueSteps;
    const auto f = static_cast<std::uint8_t>(step % 256);
    const auto g = static_cast<std::uint8_t>(255 - f);
    switch (step / 256) {
        case 0:
            return {255, f, 0};
        case 1:
            return {g, 255, 0};
        case 2:
            return {0, 255, f};
        case 3:
            return {0, g, 255};
        case 4:
            return {f, 0, 255};
        default:
            return {255, 0, g};
    }
}

Rgb8 Mix(Rgb8 a, Rgb8 b, int t, int range) {
    if (range <= 0) return a;
    t = std::clamp(t, 0, range);
    const auto channel = [&](int u, int v) { return static_cast<std::uint8_t>(u + (v - u) * t / range); };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

IndexedPicture DrawSmiley(int size) {
    IndexedPicture p = NewIndexed(size, size);
    // Geometry in half pixels of a 128-pixel face, scaled to `size`.
    const auto s = [size](long long v) { return v * size / 128; };
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const long long X = 2LL * x + 1 - size;
            const long long Y = 2LL * y + 1 - size;
            const long long d2 = X * X + Y * Y;
            std::uint8_t v = 0;
            if (d2 <= s(120) * s(120)) {
                v = 2;
                if ((X + s(20)) * (X + s(20)) + (Y + s(20)) * (Y + s(20)) > s(112) * s(112)) v = 3;
                if (InEllipse(X + s(50), Y + s(62), s(24), s(12))) v = 7;
                for (int side : {-1, 1}) {
                    if (InEllipse(X - side * s(70), Y - s(22), s(16), s(12))) v = 6;
                    if (InEllipse(X - side * s(38), Y + s(30), s(12), s(24))) v = 4;
                    if (InEllipse(X - side * s(38) + s(4), Y + s(42), s(5), s(6))) v = 7;
                }
                const long long m2 = X * X + (Y + s(4)) * (Y + s(4));
                if (Y > s(24) && m2 >= s(64) * s(64) && m2 <= s(78) * s(78)) v = 5;
                if (d2 > s(112) * s(112)) v = 1;
            }
            p.index[At(size, x, y)] = v;
        }
    }
    return p;
}

std::vector<std::vector<std::uint16_t>> SmileyCluts() {
    // background, outline, face, shade, eyes, mouth, cheeks, highlight
    const std::array<std::array<Rgb8, 8>, 4> moods = {{
        {{{70, 140, 210},
          {70, 40, 0},
          {255, 214, 0},
          {232, 160, 0},
          {50, 30, 10},
          {140, 30, 20},
          {255, 150, 110},
          {255, 250, 200}}},
        {{{12, 12, 48},
          {200, 210, 255},
          {90, 110, 230},
          {60, 70, 180},
          {255, 255, 255},
          {230, 230, 255},
          {160, 120, 255},
          {190, 210, 255}}},
        {{{36, 36, 36},
          {0, 64, 0},
          {130, 230, 60},
          {70, 170, 40},
          {0, 20, 0},
          {20, 70, 10},
          {180, 255, 130},
          {225, 255, 205}}},
        {{{255, 232, 240},
          {120, 0, 60},
          {255, 130, 185},
          {220, 80, 150},
          {70, 0, 35},
          {160, 0, 60},
          {255, 60, 110},
          {255, 255, 255}}},
    }};
    std::vector<std::vector<std::uint16_t>> cluts;
    for (const auto& mood : moods) {
        std::vector<std::uint16_t> row;
        for (const Rgb8& c : mood) row.push_back(TimWord(c));
        // Indices 8..15 are unused by the picture: a grey ramp keeps them visible in a palette view.
        for (int i = 8; i < 16; ++i) {
            const auto v = static_cast<std::uint8_t>((i - 8) * 255 / 7);
            row.push_back(TimWord({v, v, v}));
        }
        cluts.push_back(row);
    }
    return cluts;
}

IndexedPicture DrawCheckerGradient(int width, int height, int square) {
    IndexedPicture p = NewIndexed(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool dark = ((x / square) + (y / square)) % 2 == 0;
            p.index[At(width, x, y)] = static_cast<std::uint8_t>(
                dark ? x * 127 / std::max(width - 1, 1) : 128 + y * 127 / std::max(height - 1, 1));
        }
    }
    return p;
}

std::vector<std::uint16_t> CheckerGradientClut() {
    std::vector<std::uint16_t> clut;
    for (int i = 0; i < 128; ++i) clut.push_back(TimWord(Mix({20, 24, 96}, {200, 40, 140}, i, 127)));
    for (int i = 0; i < 128; ++i) clut.push_back(TimWord(Mix({255, 246, 190}, {140, 232, 255}, i, 127)));
    return clut;
}

RgbPicture DrawColourBars(int width, int height) {
    static constexpr std::array<Rgb8, 7> kBars = {{{192, 192, 192},
                                                   {192, 192, 0},
                                                   {0, 192, 192},
                                                   {0, 192, 0},
                                                   {192, 0, 192},
                                                   {192, 0, 0},
                                                   {0, 0, 192}}};
    static constexpr std::array<Rgb8, 7> kReverse = {{{0, 0, 192},
                                                      {19, 19, 19},
                                                      {192, 0, 192},
                                                      {19, 19, 19},
                                                      {0, 192, 192},
                                                      {19, 19, 19},
                                                      {192, 192, 192}}};
    RgbPicture p = NewRgb(width, height);
    const int barsEnd = height * 2 / 3;
    const int stripEnd = height * 3 / 4;
    const int rampSplit = height * 7 / 8;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t bar = static_cast<std::size_t>(x * 7 / width);
            Rgb8 c;
            if (y < barsEnd) {
                c = kBars[bar];
            } else if (y < stripEnd) {
                c = kReverse[bar];
            } else if (y < rampSplit) {
                c = Hue(x * kHueSteps / width);
            } else {
                const auto v = static_cast<std::uint8_t>(x * 255 / std::max(width - 1, 1));
                c = {v, v, v};
            }
            p.pixels[At(width, x, y)] = c;
        }
    }
    return p;
}

RgbPicture DrawVorelBanner(int width, int height) {
    RgbPicture p = NewRgb(width, height);
    const int cell = std::max(1, std::min(width / (kWordCells + 2), height / (kWordRows + 2)));
    const int left = (width - cell * kWordCells) / 2;
    const int top = (height - cell * kWordRows) / 2;
    const int shadow = std::max(1, cell / 3);
    const int bevel = std::max(1, cell / 4);
    const auto ink = [&](int x, int y) {
        const int dx = x - left, dy = y - top;
        return dx >= 0 && dy >= 0 && WordCell(dx / cell, dy / cell);
    };
    for (int y = 0; y < height; ++y) {
        // Evening sky: deep violet at the top, rose in the middle, amber at the horizon.
        const int mid = height * 3 / 5;
        Rgb8 c = y < mid ? Mix({24, 18, 72}, {205, 72, 112}, y, mid)
                         : Mix({205, 72, 112}, {255, 182, 88}, y - mid, height - mid);
        for (int x = 0; x < width; ++x) {
            Rgb8 px = c;
            if (y < mid / 2 && Scatter(x, y) % 61 == 0) px = {255, 250, 220};  // stars
            if (ink(x - shadow, y - shadow)) px = Mix(px, {16, 8, 32}, 3, 4);
            if (ink(x, y)) {
                // Bevelled strokes: lit where the stroke meets the sky above or left of
                // it, shaded where it meets the sky below or right.
                px = Mix({255, 255, 255}, {255, 214, 120}, y - top, cell * kWordRows);
                if (!ink(x - bevel, y) || !ink(x, y - bevel)) px = Mix(px, {255, 255, 255}, 2, 3);
                if (!ink(x + bevel, y) || !ink(x, y + bevel)) px = Mix(px, {170, 80, 40}, 1, 2);
            }
            p.pixels[At(width, x, y)] = px;
        }
    }
    return p;
}

IndexedPicture DrawVorelWord(int width, int height) {
    IndexedPicture p = NewIndexed(width, height);
    const int cell = std::max(1, std::min(width / (kWordCells + 2), height / (kWordRows + 2)));
    const int left = (width - cell * kWordCells) / 2;
    const int top = (height - cell * kWordRows) / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int dx = x - left, dy = y - top;
            p.index[At(width, x, y)] = dx >= 0 && dy >= 0 && WordCell(dx / cell, dy / cell) ? 1 : 0;
        }
    }
    return p;
}

std::vector<Rgb8> LandscapeColours() {
    return {{40, 90, 180}, {90, 150, 220}, {170, 210, 240}, {255, 232, 80},  {255, 190, 90}, {96, 128, 160},
            {56, 136, 60}, {120, 196, 72}, {30, 80, 150},   {160, 210, 245}, {100, 60, 30},  {250, 250, 250}};
}

IndexedPicture DrawLandscape(int width, int height) {
    IndexedPicture p = NewIndexed(width, height);
    const long long w = width, h = height;
    const auto farHill = [&](long long x) {
        return h * 50 / 100 + (x - w * 3 / 10) * (x - w * 3 / 10) * 16 / (w * 3);
    };
    const auto nearHill = [&](long long x) {
        return h * 60 / 100 + (x - w * 8 / 10) * (x - w * 8 / 10) * 2 / w;
    };
    const long long treeX = w * 66 / 100;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const long long X = x, Y = y;
            std::uint8_t v = Y < h / 4 ? 0 : Y < h * 45 / 100 ? 1 : 2;
            const long long sx = X - w * 86 / 100, sy = Y - h / 4, sr = h / 8;
            if (sx * sx + sy * sy <= (sr * 4 / 3) * (sr * 4 / 3)) v = 4;
            if (sx * sx + sy * sy <= sr * sr) v = 3;
            const bool cloud =
                Y < h * 27 / 100 && (InEllipse(X - w / 4, Y - h / 5, h / 7, h / 12) ||
                                     InEllipse(X - w * 33 / 100, Y - h * 16 / 100, h / 8, h / 9) ||
                                     InEllipse(X - w * 41 / 100, Y - h / 5, h / 9, h / 14));
            if (cloud) v = 11;
            if (Y >= farHill(X)) v = 5;
            if (Y >= nearHill(X)) v = Y < nearHill(X) + 3 ? 7 : 6;
            const long long treeTop = nearHill(treeX) - h / 6;
            if (X >= treeX - 1 && X <= treeX + 1 && Y >= treeTop && Y < nearHill(treeX)) v = 10;
            if (InEllipse(X - treeX, Y - treeTop, h / 14, h / 11)) v = 7;
            if (Y >= h * 84 / 100) v = (X + 3 * Y) % 17 == 0 || (X * 7 + Y) % 23 == 0 ? 9 : 8;
            p.index[At(width, x, y)] = v;
        }
    }
    return p;
}

std::vector<Rgb8> RingColours() {
    std::vector<Rgb8> colours;
    for (int i = 0; i < 256; ++i) colours.push_back(Hue(i * kHueSteps / 256));
    return colours;
}

IndexedPicture DrawRings(int width, int height) {
    IndexedPicture p = NewIndexed(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const long long X = 2LL * x + 1 - width, Y = 2LL * y + 1 - height;
            p.index[At(width, x, y)] = static_cast<std::uint8_t>((ISqrt(X * X + Y * Y) * 2) & 0xFF);
        }
    }
    return p;
}

RgbPicture DrawHueField(int width, int height) {
    RgbPicture p = NewRgb(width, height);
    const int half = height / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb8 hue = Hue(x * kHueSteps / width);
            p.pixels[At(width, x, y)] =
                y < half ? Mix({255, 255, 255}, hue, y, half) : Mix(hue, {0, 0, 0}, y - half, height - half);
        }
    }
    return p;
}

RgbPicture DrawColourDiscs(int size) {
    RgbPicture p = NewRgb(size, size);
    const long long r = size * 3 / 10;
    const long long centres[3][2] = {
        {size / 2, size * 37 / 100}, {size * 37 / 100, size * 60 / 100}, {size * 63 / 100, size * 60 / 100}};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            bool in[3];
            for (int i = 0; i < 3; ++i) {
                const long long dx = x - centres[i][0], dy = y - centres[i][1];
                in[i] = dx * dx + dy * dy <= r * r;
            }
            Rgb8 c{static_cast<std::uint8_t>(in[0] ? 255 : 0), static_cast<std::uint8_t>(in[1] ? 255 : 0),
                   static_cast<std::uint8_t>(in[2] ? 255 : 0)};
            if (!in[0] && !in[1] && !in[2]) c = Mix({44, 44, 56}, {16, 16, 22}, y, size);
            p.pixels[At(size, x, y)] = c;
        }
    }
    return p;
}

}  // namespace vorel::samples
