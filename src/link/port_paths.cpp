#include "port_paths.h"

#include <array>

namespace zentor {

namespace {

constexpr std::array<const char*, kConfiguredPortCount> kDefaultPaths{
    "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS0",
    "/dev/ttyS1",   "/dev/ttyS2",   "/dev/ttyS3",   "/dev/ttyS4"};

} // namespace

std::string portDevicePath(int n, const std::string& configured) {
    if (n < 1 || n > kConfiguredPortCount)
        return {};
    return configured.empty() ? kDefaultPaths[static_cast<std::size_t>(n - 1)] : configured;
}

} // namespace zentor
