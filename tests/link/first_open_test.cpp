#include "comphard.h"
#include "pty_peer.h"

#include <gtest/gtest.h>

// The very first open of a run reads with 30 ms; SetTimeout then reports it.
TEST(LinkFirstOpen, StartsWithThirtyMilliseconds) {
    testing_support::PtyPeer peer;
    EXPECT_EQ(comphard::CurrentTimeout(), 30);
    ASSERT_TRUE(comphard::OpenDevice(peer.path(), "1200,N,8,1"));
    EXPECT_EQ(comphard::SetTimeout(300), 30);
    EXPECT_EQ(comphard::CurrentTimeout(), 300);
    comphard::ClosePort();
}
