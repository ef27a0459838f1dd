// The device behind each port of the menu, with and without [Ports].
#include "port_paths.h"

#include <gtest/gtest.h>

namespace {

TEST(PortPaths, DefaultsAndConfiguredDevices) {
    const struct {
        int port;
        const char* configured;
        const char* path;
    } cases[] = {
        {1, "", "/dev/ttyUSB0"},
        {2, "", "/dev/ttyUSB1"},
        {3, "", "/dev/ttyACM0"},
        {4, "", "/dev/ttyACM1"},
        {5, "", "/dev/ttyS0"},
        {6, "", "/dev/ttyS1"},
        {7, "", "/dev/ttyS2"},
        {9, "", "/dev/ttyS4"},
        {0, "", ""},
        {10, "", ""},
        {0, "/dev/ttyUSB3", ""},
        {4, "/dev/ttyAMA0", "/dev/ttyAMA0"},
        {1, "/dev/ttyUSB3", "/dev/ttyUSB3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zentor::portDevicePath(c.port, c.configured), c.path)
            << "COM" << c.port << " configured \"" << c.configured << '"';
}

} // namespace
