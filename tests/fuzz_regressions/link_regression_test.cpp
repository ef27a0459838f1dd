// The replaceable wait of the link, which the link's fuzz target uses to run
// the protocol without sleeping: every pause reaches it at its full length,
// and the real wait comes back when it is removed.
#include "comphard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// A board that never answers.
class SilentPort : public comphard::BytePort {
public:
    explicit SilentPort(std::vector<int>& written) : m_written(written) {}
    void write(std::uint8_t byte, milliseconds) override { m_written.push_back(byte); }
    int read(milliseconds) override { return -1; }
    unsigned bytesWaiting() override { return 0; }
    bool setDtr(bool) override { return false; }

private:
    std::vector<int>& m_written;
};

class CountedWaits : public testing::Test {
protected:
    void SetUp() override {
        comphard::AttachPort(std::make_unique<SilentPort>(m_written));
        comphard::SetWaitFunction([this](microseconds d) { m_waits.push_back(d); });
    }
    void TearDown() override {
        comphard::SetWaitFunction({});
        comphard::ClosePort();
    }

    microseconds total() const {
        microseconds sum{0};
        for (microseconds d : m_waits)
            sum += d;
        return sum;
    }

    std::vector<int> m_written;
    std::vector<microseconds> m_waits;
};

TEST_F(CountedWaits, EachWaitArrivesWithItsLength) {
    comphard::WaitMicroseconds(250);
    comphard::WaitMilliseconds(7);
    comphard::WaitMilliseconds(0);
    comphard::WaitMicroseconds(-3);
    EXPECT_EQ(m_waits, (std::vector<microseconds>{microseconds(250), milliseconds(7)}));
}

TEST_F(CountedWaits, SilentBoardRoutinesAskForTheirWholePauses) {
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Controler antwortet nicht!");
    // Two attempts: two bytes of 10 ms each and 10 ms before the answer.
    EXPECT_EQ(total(), milliseconds(60));
    EXPECT_EQ(m_written, (std::vector<int>{27, 1, 27, 1}));

    m_waits.clear();
    m_written.clear();
    comphard::Resync();
    // Five rounds of ESC, 20 ms, ESC, 20 ms, each byte followed by 10 ms.
    EXPECT_EQ(total(), milliseconds(300));
    EXPECT_EQ(m_written, std::vector<int>(10, 27));

    m_waits.clear();
    EXPECT_FALSE(comphard::AwaitInput());
    EXPECT_EQ(m_waits, std::vector<microseconds>(1001, milliseconds(1)));
}

TEST_F(CountedWaits, RemovingTheFunctionRestoresTheRealWait) {
    comphard::SetWaitFunction({});
    const auto start = std::chrono::steady_clock::now();
    comphard::WaitMilliseconds(5);
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(5));
    EXPECT_TRUE(m_waits.empty());
}

} // namespace
