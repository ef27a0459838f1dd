// The "Direkt" page's exchanges with the board. They run on the link thread:
// plain values in, plain results out, no widgets.
#pragma once

namespace zentor {

struct ConnectJob;

namespace direct {

// The two bytes that answer ESC and a command; -1 for a read that got
// nothing.
struct AnswerPair {
    int first = -1;
    int second = -1;
};

// One poll cycle's readings. Only the analog read tells a silent board: the
// port and digital reads are made only when it answered.
struct PollResult {
    bool polled = false;         // false: no port was open, nothing went out
    bool stoppedProgram = false; // the resync ended a board program that ran
    AnswerPair analog;
    AnswerPair port;
    AnswerPair din;

    bool silent() const { return polled && analog.first < 0; }
};

// One poll cycle: when the page was just entered (resync) the resync and the
// read time-out first, then the input dropped and the analog input, the port
// input bits and the digital input read in that order.
PollResult poll(bool resync, int maxTimeout);

// The cycle after the board fell silent: the reconnect, then a poll without
// a resync of its own (the reconnect brought the board into step).
struct ReconnectResult {
    bool connected = false;
    PollResult readings;
};
ReconnectResult reconnectAndPoll(const ConnectJob& job);

// The port check boxes: the output bits, then the direction bits.
void sendPortBits(int out, int direction);

// The PWM value; true when the board confirmed it.
bool sendPwm(int value);

} // namespace direct

} // namespace zentor
