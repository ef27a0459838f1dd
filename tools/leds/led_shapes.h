// Drawing of the LED shape pictures: 13 × 13 pixels, 4 bits per pixel, the
// standard 16-colour palette. Silver marks the lamp body (tinted by the LED
// widget), olive the surroundings (replaced by the background); black, grey
// and white are fixed relief and highlights.
#pragma once

#include "led_names.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ledshapes {

struct Rgb {
    std::uint8_t r, g, b;
};

// The standard 16-colour palette, in its usual order.
inline constexpr std::array<Rgb, 16> kPalette = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

// Palette indices with a role in the pictures.
inline constexpr std::uint8_t kBlack = 0;
inline constexpr std::uint8_t kOlive = 3;  // surroundings
inline constexpr std::uint8_t kSilver = 7; // lamp body
inline constexpr std::uint8_t kGrey = 8;
inline constexpr std::uint8_t kWhite = 15;

inline constexpr int kSize = led::kPictureSize;

// Palette indices, row by row from the top.
using Picture = std::array<std::uint8_t, kSize * kSize>;

// The picture of shape (0..15, TLedType order) in the given variant.
Picture drawPicture(int shape, led::Variant variant);

// The picture as a complete uncompressed 4-bit BMP file.
std::vector<std::uint8_t> encodeBmp(const Picture& picture);

} // namespace ledshapes
