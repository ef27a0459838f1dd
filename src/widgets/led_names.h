// Names of the LED shape pictures. Shared by the LED widget, which loads the
// pictures from the program's resources, and by the generator in tools/leds
// that draws them; plain C++ so that the generator needs no Qt.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace led {

inline constexpr int kShapeCount = 16;

// Base name of each shape, in the order of TAMAdvLed::TLedType.
inline constexpr std::array<std::string_view, kShapeCount> kShapeBaseNames = {
    "AMDMDLED",      // ltDiamond
    "AMLPSLEDHRZ",   // ltEllipsHrz
    "AMLPSLEDVRT",   // ltEllipsVrt
    "AMMONLEDLEFT",  // ltMoonLeft
    "AMMONLEDRIGHT", // ltMoonRight
    "AMPRLLEDBCK",   // ltParallelBck
    "AMPRLLEDFWT",   // ltParallelFwd
    "AMPNTLED",      // ltPentagon
    "AMRNDLED",      // ltRound
    "AMRCTLEDHRZ",   // ltRectangleHrz
    "AMRCTLEDVRT",   // ltRectangleVrt
    "AMSQRLED",      // ltSquare
    "AMTRILEDDWN",   // ltTriangleDwn
    "AMTRILEDLEFT",  // ltTriangleLeft
    "AMTRILEDRIGHT", // ltTriangleRight
    "AMTRILEDUP",    // ltTriangleUp
};

// Shape used for a type outside the table.
inline constexpr int kFallbackShape = 8; // round

// Relief of the picture, in the order of TAMAdvLed::TBorder.
enum Relief : int { kReliefNone = 0, kReliefRaised = 1, kReliefLowered = 2 };

// The four pictures that exist per shape.
enum class Variant { Plain, Raised, Lowered, Flat };
inline constexpr std::array<Variant, 4> kVariants = {Variant::Plain, Variant::Raised,
                                                     Variant::Lowered, Variant::Flat};

// Picture size in pixels (width and height).
inline constexpr int kPictureSize = 13;

// Name of the picture for a shape, relief and 3-D flag: the base name, then
// "3DUP" for raised or "3DDWN" for lowered relief, then "FLAT" when not 3-D.
inline std::string pictureName(int shape, int relief, bool threeD) {
    if (shape < 0 || shape >= kShapeCount) {
        shape = kFallbackShape;
    }
    std::string name(kShapeBaseNames[static_cast<std::size_t>(shape)]);
    if (relief == kReliefRaised) {
        name += "3DUP";
    } else if (relief == kReliefLowered) {
        name += "3DDWN";
    }
    if (!threeD) {
        name += "FLAT";
    }
    return name;
}

inline std::string pictureName(int shape, Variant variant) {
    switch (variant) {
    case Variant::Raised:
        return pictureName(shape, kReliefRaised, true);
    case Variant::Lowered:
        return pictureName(shape, kReliefLowered, true);
    case Variant::Flat:
        return pictureName(shape, kReliefNone, false);
    case Variant::Plain:
        break;
    }
    return pictureName(shape, kReliefNone, true);
}

} // namespace led
