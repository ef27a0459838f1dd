// Writes the 64 LED shape pictures as <name>.bmp into the given directory.
// Usage: zentor_ledgen <directory>
// The pictures are kept in resources/leds; run this (target zentor_leds)
// after changing the drawing and commit the result.
#include "led_shapes.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    int written = 0;
    for (int shape = 0; shape < led::kShapeCount; ++shape) {
        for (led::Variant variant : led::kVariants) {
            const std::string path = dir + "/" + led::pictureName(shape, variant) + ".bmp";
            const auto bytes = ledshapes::encodeBmp(ledshapes::drawPicture(shape, variant));
            std::ofstream file(path, std::ios::binary | std::ios::trunc);
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            file.close();
            if (!file) {
                std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
                return 1;
            }
            ++written;
        }
    }
    std::printf("%d pictures written to %s\n", written, dir.c_str());
    return 0;
}
