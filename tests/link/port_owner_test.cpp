// The port belongs to the link thread once the link runs: a byte from any
// other thread is a fault that debug builds stop at.
#include "comphard.h"
#include "link.h"

#include <gtest/gtest.h>

namespace {

#ifndef QT_NO_DEBUG
TEST(PortOwnerDeathTest, AByteFromAnotherThreadThanTheLinksStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            zentor::Link::instance().runAndWait([] {}); // the link thread runs
            comphard::ReadByte();
        },
        "outside the thread that owns it");
}
#endif

} // namespace
