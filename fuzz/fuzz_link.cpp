// The link's routines against a peer that answers whatever the input says.
//
// The input is read from both ends: from the back, the routines to run and
// their arguments, and the peer's counts of waiting bytes; from the front,
// the bytes the peer answers. When the input is used up the peer falls
// silent: reads give -1 and nothing waits.
//
// The waits of the link are counted, not slept, so that a run takes
// microseconds instead of the seconds the protocol's pauses add up to. The
// checks hold the protocol to its bytes and to its own time limits: every
// routine ends within its longest wait, so none can hang on a peer.
#include "fuzz_support.h"

#include "board_commands.h"
#include "comphard.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// What the routines did in one step.
struct Record {
    std::vector<int> written;
    std::vector<int> read; // the values ReadByte gave, -1 included
    microseconds waited{0};
    unsigned lastWaiting = 0;
};

Record g_record;

class ScriptedPort : public comphard::BytePort {
public:
    explicit ScriptedPort(FuzzedDataProvider& input) : m_input(input) {}

    void write(std::uint8_t byte, milliseconds) override { g_record.written.push_back(byte); }

    int read(milliseconds) override {
        const int value =
            m_input.remaining_bytes() > 0 ? m_input.ConsumeBytes<std::uint8_t>(1).front() : -1;
        g_record.read.push_back(value);
        return value;
    }

    unsigned bytesWaiting() override {
        g_record.lastWaiting =
            m_input.remaining_bytes() > 0 ? m_input.ConsumeIntegralInRange<unsigned>(0, 3) : 0;
        return g_record.lastWaiting;
    }

    bool setDtr(bool) override { return false; }

private:
    FuzzedDataProvider& m_input;
};

constexpr microseconds ms(int n) {
    return milliseconds(n);
}

// The two reads of an answer pair were value and its complement.
bool readPair(int value) {
    const auto& r = g_record.read;
    return r.size() >= 2 && r[r.size() - 2] == value && board::isAnswerPair(value, r.back());
}

bool allEscapes(const std::vector<int>& bytes) {
    for (int b : bytes)
        if (b != board::kEsc)
            return false;
    return true;
}

void runStep(FuzzedDataProvider& input) {
    g_record = Record{};
    const int routine = input.ConsumeIntegralInRange(0, 8);
    const int opcode = input.ConsumeIntegral<std::uint8_t>();
    const int operand = input.ConsumeIntegral<std::uint8_t>();
    const int expected = input.ConsumeIntegral<std::uint8_t>();
    const Record& r = g_record;

    switch (routine) {
    case 0: {
        std::string text;
        comphard::Handshake(text);
        // One presence frame, a second one only after silence.
        FUZZ_CHECK(text == "Ok" || text == "Controler antwortet nicht!");
        FUZZ_CHECK(r.written.size() == 2 || r.written.size() == 4);
        for (std::size_t k = 0; k < r.written.size(); k += 2)
            FUZZ_CHECK(r.written[k] == board::kEsc && r.written[k + 1] == board::kPresence);
        FUZZ_CHECK(r.waited == ms(30) * int(r.written.size() / 2));
        if (text == "Ok")
            FUZZ_CHECK(readPair(board::kPresenceAnswer));
        break;
    }
    case 1: {
        comphard::Resync();
        // One to five ESC ESC rounds.
        const auto rounds = int(r.written.size() / 2);
        FUZZ_CHECK(r.written.size() % 2 == 0 && rounds >= 1 && rounds <= 5);
        FUZZ_CHECK(allEscapes(r.written));
        FUZZ_CHECK(r.waited == ms(60) * rounds);
        FUZZ_CHECK(r.lastWaiting == 0); // the input was drained
        break;
    }
    case 2: {
        const bool ok = comphard::SendCommand(opcode);
        FUZZ_CHECK((r.written == std::vector<int>{board::kEsc, opcode}));
        FUZZ_CHECK(r.waited == ms(21));
        FUZZ_CHECK(!ok || readPair(opcode));
        break;
    }
    case 3:
    case 4: {
        const int length = routine == 3 ? 1 : 2;
        const bool ok = comphard::SendCommandWithOperand(length, opcode, operand, expected);
        std::vector<int> frame{board::kEsc, opcode};
        if (length == 2)
            frame.push_back(operand);
        FUZZ_CHECK(r.written == frame);
        FUZZ_CHECK(r.waited == ms(10) * int(frame.size()) + ms(60));
        FUZZ_CHECK(r.read.size() == 2);
        FUZZ_CHECK(ok == readPair(expected));
        break;
    }
    case 5: {
        const int value = comphard::ReadAnalog();
        FUZZ_CHECK((r.written == std::vector<int>{board::kEsc, board::kAnalogIn}));
        FUZZ_CHECK(value >= -1 && value <= 255);
        FUZZ_CHECK(value == -1 || readPair(value));
        break;
    }
    case 6: {
        const bool came = comphard::AwaitInput();
        // About a second of 1 ms polls at most.
        FUZZ_CHECK(r.waited <= ms(1001));
        FUZZ_CHECK(came == (r.lastWaiting > 0));
        FUZZ_CHECK(came || r.waited == ms(1001));
        FUZZ_CHECK(r.written.empty());
        break;
    }
    case 7:
        comphard::SendBreak();
        FUZZ_CHECK((r.written == std::vector<int>{board::kEsc}));
        FUZZ_CHECK(r.read.size() == 1);
        break;
    default:
        comphard::SendContinue();
        FUZZ_CHECK((r.written == std::vector<int>{board::kContinue}));
        FUZZ_CHECK(r.read.size() == 2);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    comphard::SetWaitFunction([](microseconds duration) { g_record.waited += duration; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    comphard::AttachPort(std::make_unique<ScriptedPort>(input));
    comphard::SetTimeout(input.ConsumeIntegralInRange(0, 1000));
    for (int step = 0; step < 16 && input.remaining_bytes() > 0; ++step)
        runStep(input);
    comphard::ClosePort();
    return 0;
}
