#include "led_shapes.h"

#include <cmath>
#include <cstdlib>

namespace ledshapes {
namespace {

// Is the pixel centre (dx, dy), measured from the picture's centre pixel, on
// the lamp body? Bodies stay within 5 pixels of the centre so that the
// relief ring around them fits the picture.
bool onBody(int shape, double dx, double dy) {
    const auto sq = [](double v) { return v * v; };
    switch (shape) {
    case 0: // diamond
        return std::abs(dx) + std::abs(dy) <= 5.0;
    case 1: // ellipse, horizontal
        return sq(dx / 5.5) + sq(dy / 3.6) <= 1.0;
    case 2: // ellipse, vertical
        return sq(dx / 3.6) + sq(dy / 5.5) <= 1.0;
    case 3: // crescent, bulge to the left
        return sq(dx) + sq(dy) <= sq(5.5) && sq(dx - 3.0) + sq(dy) > sq(4.6);
    case 4: // crescent, bulge to the right
        return sq(dx) + sq(dy) <= sq(5.5) && sq(dx + 3.0) + sq(dy) > sq(4.6);
    case 5: // parallelogram leaning back
        return std::abs(dy) <= 3.0 && std::abs(dx - dy) <= 2.0;
    case 6: // parallelogram leaning forward
        return std::abs(dy) <= 3.0 && std::abs(dx + dy) <= 2.0;
    case 7: { // pentagon, point up: inside all five edges
        constexpr double kPi = 3.14159265358979323846;
        constexpr double kCircumradius = 5.8;
        const double inradius = kCircumradius * std::cos(kPi / 5.0);
        const double y = dy - 0.5;
        for (int k = 0; k < 5; ++k) {
            // Outward normal of edge k points between two vertices.
            const double a = (90.0 + 72.0 * k) * kPi / 180.0;
            if (dx * std::cos(a) + y * std::sin(a) > inradius) {
                return false;
            }
        }
        return true;
    }
    case 8: // round
        return sq(dx) + sq(dy) <= sq(5.5);
    case 9: // rectangle, horizontal
        return std::abs(dx) <= 5.0 && std::abs(dy) <= 2.0;
    case 10: // rectangle, vertical
        return std::abs(dx) <= 2.0 && std::abs(dy) <= 5.0;
    case 11: // square
        return std::abs(dx) <= 5.0 && std::abs(dy) <= 5.0;
    case 12: // triangle pointing down
        return dy >= -5.0 && std::abs(dx) <= (5.5 - dy) * 0.5;
    case 13: // triangle pointing left
        return dx <= 5.0 && std::abs(dy) <= (dx + 5.5) * 0.5;
    case 14: // triangle pointing right
        return dx >= -5.0 && std::abs(dy) <= (5.5 - dx) * 0.5;
    case 15: // triangle pointing up
        return dy <= 5.0 && std::abs(dx) <= (dy + 5.5) * 0.5;
    default:
        return false;
    }
}

using Mask = std::array<bool, kSize * kSize>;

bool at(const Mask& mask, int x, int y) {
    return x >= 0 && y >= 0 && x < kSize && y < kSize && mask[y * kSize + x];
}

} // namespace

Picture drawPicture(int shape, led::Variant variant) {
    constexpr int kCentre = kSize / 2;
    Mask body{};
    double sumX = 0;
    double sumY = 0;
    int count = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            if (onBody(shape, x - kCentre, y - kCentre)) {
                body[y * kSize + x] = true;
                sumX += x;
                sumY += y;
                ++count;
            }
        }
    }

    const double centreX = count > 0 ? sumX / count : kCentre;
    const double centreY = count > 0 ? sumY / count : kCentre;
    constexpr double kTie = 1e-9;

    Picture picture;
    picture.fill(kOlive);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            if (at(body, x, y)) {
                picture[y * kSize + x] = kSilver;
                continue;
            }
            // A ring pixel touches the body.
            bool touches = false;
            for (int ny = -1; ny <= 1 && !touches; ++ny) {
                for (int nx = -1; nx <= 1 && !touches; ++nx) {
                    touches = at(body, x + nx, y + ny);
                }
            }
            if (!touches) {
                continue;
            }
            // The light comes from the upper left: ring pixels up and left
            // of the diagonal through the body's centre catch it.
            const double side = (x - centreX) + (y - centreY);
            const bool lit = side < -kTie || (std::abs(side) <= kTie && y < centreY);
            std::uint8_t colour = kGrey;
            switch (variant) {
            case led::Variant::Plain:
                colour = kGrey;
                break;
            case led::Variant::Raised:
                colour = lit ? kWhite : kGrey;
                break;
            case led::Variant::Lowered:
                colour = lit ? kGrey : kWhite;
                break;
            case led::Variant::Flat:
                colour = kBlack;
                break;
            }
            picture[y * kSize + x] = colour;
        }
    }

    // A two-pixel gleam up and left of the body's middle gives the 3-D
    // pictures their dome; it sits only where body surrounds it.
    if (variant != led::Variant::Flat) {
        const int gx = static_cast<int>(std::lround(centreX)) - 2;
        const int gy = static_cast<int>(std::lround(centreY)) - 2;
        for (int x = gx; x <= gx + 1; ++x) {
            const bool enclosed = at(body, x - 1, gy) && at(body, x + 1, gy) &&
                                  at(body, x, gy - 1) && at(body, x, gy + 1);
            if (enclosed) {
                picture[gy * kSize + x] = kWhite;
            }
        }
    }
    return picture;
}

std::vector<std::uint8_t> encodeBmp(const Picture& picture) {
    constexpr std::uint32_t kFileHeader = 14;
    constexpr std::uint32_t kInfoHeader = 40;
    constexpr std::uint32_t kPaletteBytes = 16 * 4;
    constexpr std::uint32_t kRowBytes = ((kSize * 4 + 31) / 32) * 4; // padded to 32 bits
    constexpr std::uint32_t kPixelOffset = kFileHeader + kInfoHeader + kPaletteBytes;
    constexpr std::uint32_t kImageBytes = kRowBytes * kSize;
    constexpr std::uint32_t kPixelsPerMetre = 2835; // 72 dpi

    std::vector<std::uint8_t> out;
    const auto u16 = [&out](std::uint32_t v) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    };
    const auto u32 = [&u16](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };

    out.push_back('B');
    out.push_back('M');
    u32(kPixelOffset + kImageBytes);
    u32(0); // reserved
    u32(kPixelOffset);

    u32(kInfoHeader);
    u32(kSize); // width
    u32(kSize); // height, positive: rows stored bottom-up
    u16(1);     // planes
    u16(4);     // bits per pixel
    u32(0);     // no compression
    u32(kImageBytes);
    u32(kPixelsPerMetre);
    u32(kPixelsPerMetre);
    u32(16); // colours used
    u32(0);  // all colours important

    for (const Rgb& c : kPalette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }

    for (int y = kSize - 1; y >= 0; --y) {
        std::uint32_t written = 0;
        for (int x = 0; x < kSize; x += 2) {
            const std::uint8_t high = picture[y * kSize + x];
            const std::uint8_t low = x + 1 < kSize ? picture[y * kSize + x + 1] : 0;
            out.push_back(static_cast<std::uint8_t>((high << 4) | low));
            ++written;
        }
        for (; written < kRowBytes; ++written) {
            out.push_back(0);
        }
    }
    return out;
}

} // namespace ledshapes
