// Drives the board's state machine the way the PC does, on an explicit clock:
// every byte written is followed by the PC's 10 ms pause, and answers are
// collected with the time they have left the board.
#pragma once

#include "board_machine.h"
#include "instruction_table.h"

#include <algorithm>
#include <deque>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace simtest {

using zentor::sim::Micros;

inline constexpr Micros kMs = 1000;
inline constexpr Micros kPcPause = 10 * kMs; // the PC's pause after each byte

// The code of an instruction pattern, from the one instruction table.
constexpr int op(std::string_view pattern) {
    for (const zentor::Instruction& i : zentor::kInstructionTable)
        if (i.pattern == pattern)
            return i.code;
    throw std::logic_error("no such instruction");
}

class Harness {
public:
    explicit Harness(zentor::sim::BoardOptions options = unpaced()) : machine(options) {}

    static zentor::sim::BoardOptions unpaced() {
        zentor::sim::BoardOptions o;
        o.pacing = false;
        return o;
    }

    // Writes bytes like WriteByte: each at the current time, then 10 ms on.
    void send(std::initializer_list<int> bytes) { send(std::vector<int>(bytes)); }
    void send(const std::vector<int>& bytes) {
        for (int b : bytes) {
            machine.receive(static_cast<std::uint8_t>(b), now);
            now += kPcPause;
        }
    }

    void wait(Micros micros) {
        now += micros;
        machine.advanceTo(now);
    }

    // Answer values produced since the last call (the machine is advanced to
    // now first); lastTimes holds their times.
    std::vector<int> answers() {
        machine.advanceTo(now);
        lastTimes.clear();
        std::vector<int> values;
        for (const auto& byte : inbox) {
            values.push_back(byte.value);
            lastTimes.push_back(byte.at);
        }
        inbox.clear();
        for (const auto& byte : machine.takeOutput()) {
            values.push_back(byte.value);
            lastTimes.push_back(byte.at);
        }
        return values;
    }

    // Loads a program with the upload frame and drops the echoes.
    void load(const std::vector<int>& program) {
        std::vector<int> frame{27, 127, static_cast<int>(program.size())};
        frame.insert(frame.end(), program.begin(), program.end());
        send(frame);
        answers();
    }

    void start(int address = 0) { send({27, 121, address}); }

    // ReadByte on the virtual clock: the next answer byte that has left the
    // board within timeout + 1 ms, or -1; time moves on as it would for a
    // PC blocked in the read.
    int readByte(Micros timeout = 300 * kMs) {
        const Micros deadline = now + timeout + kMs;
        for (;;) {
            machine.advanceTo(now);
            for (const auto& byte : machine.takeOutput())
                inbox.push_back(byte);
            if (!inbox.empty() && inbox.front().at <= deadline) {
                now = std::max(now, inbox.front().at);
                const int value = inbox.front().value;
                inbox.pop_front();
                return value;
            }
            const Micros next = machine.nextEventTime();
            if (next > deadline) {
                now = deadline;
                machine.advanceTo(now);
                return -1;
            }
            now = std::max(now, next);
        }
    }

    // PurgeInput: drops what has arrived by now.
    void purge() {
        machine.advanceTo(now);
        for (const auto& byte : machine.takeOutput())
            inbox.push_back(byte);
        while (!inbox.empty() && inbox.front().at <= now)
            inbox.pop_front();
    }

    // The PC's resynchronisation: up to five ESC ESC rounds until the first
    // byte read is 27, then the input is dropped. Returns the rounds made.
    int resync(Micros timeout = 300 * kMs) {
        int rounds = 0;
        while (rounds < 5) {
            ++rounds;
            send({27});
            now += 20 * kMs;
            send({27});
            now += 20 * kMs;
            const int a = readByte(timeout);
            readByte(timeout);
            if (a == 27)
                break;
        }
        purge();
        return rounds;
    }

    // The PC's presence check (one attempt): true for 32 and its complement.
    bool handshake(Micros timeout = 300 * kMs) {
        purge();
        send({27, 1});
        now += 10 * kMs;
        const int a = readByte(timeout);
        const int b = readByte(timeout);
        return a == 32 && a + b == 255;
    }

    zentor::sim::BoardSnapshot state() {
        machine.advanceTo(now);
        return machine.snapshot();
    }

    zentor::sim::BoardMachine machine;
    Micros now = 0;
    std::vector<Micros> lastTimes;
    std::deque<zentor::sim::TimedByte> inbox;
};

} // namespace simtest
