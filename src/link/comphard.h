// comphard: the one serial port of the process and the board's command
// protocol on top of it. Every call blocks the calling thread until it is
// done; nothing is queued. In the program only the link thread calls it (see
// link.h and BindToCurrentThread). Expected failures are results (false,
// -1), never exceptions. While an interrupt is requested (precise_wait.h),
// writes and waits return at once, reads give -1 and counts 0, so any
// exchange ends at its next byte.
#pragma once

#include "byte_port.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace comphard {

// ---- Transport -----------------------------------------------------------

// Opens the port named by a definition "COMn:1200,N,8,1": the first four
// characters name the device (mapped to a device path, see SetPortPath), the
// text after the colon is the line mode. Closes any open port first, also
// when the new open fails. The device is taken exclusively, made raw, and
// RTS and DTR are raised where the device has modem lines. Reads use the
// current time-out (30 ms until SetTimeout is first called; the value
// survives a reopen).
bool OpenPort(const std::string& definition);

// Opens a device by path with a line mode such as "1200,N,8,1"; the same
// steps as OpenPort. Used for the built-in simulator's pty.
bool OpenDevice(const std::string& path, const std::string& mode);

// Why the last OpenPort or OpenDevice failed, as a German sentence naming the
// device (UTF-8); empty when it succeeded or nothing was opened yet.
std::string LastOpenFailureText();

// Attaches an already open port (tests, fuzzing). Closes any open port first.
void AttachPort(std::unique_ptr<BytePort> port);

void ClosePort();
bool PortIsOpen();
// The port is open but its device went away (a pulled cable).
bool PortGone();

// Sends value AND 255, then waits 10 ms. Returns at once on a closed port.
void WriteByte(int value);

// Sends the bytes of one frame, each with WriteByte. A frame goes out whole
// or not at all: a cancel of the running exchange that comes during it
// takes effect at its end (see WholeFrame). False when nothing went out
// because the exchange was cancelled before the first byte, or when the
// program's end cut the frame.
bool WriteFrame(std::initializer_list<int> bytes);

// Whether the exchange running on this thread was asked to end (a cancel,
// whether or not a frame defers it now, or the end of the program).
bool ExchangeCancelled();

// Reads and drops whatever comes until the line has been quiet for `quiet`
// (a board that streams a dump stops within a byte time of its last byte),
// or `limit` has passed. The number of bytes dropped.
int DrainUntilQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit);

// One byte 0..255, or -1 after CurrentTimeout + 1 ms without a byte. A closed
// port or a vanished device gives -1 at once.
int ReadByte();

// Stores a new time-out (ms) for reads and writes of the open port. Returns
// the previous value, or -1 (and keeps the old value) when no port is open
// or T is negative.
int SetTimeout(int milliseconds);
int CurrentTimeout();

// Received bytes waiting; 0 when no port is open or the query fails.
unsigned BytesInQueue();

// Reads and drops bytes while BytesInQueue reports more than 0.
void PurgeInput();

// Waits at least n microseconds (n <= 0 returns at once). Sleeps most of the
// time and spins only for the last fraction of a millisecond.
void WaitMicroseconds(int n);
void WaitMilliseconds(int n);

// Replaces the wait behind WaitMicroseconds and WaitMilliseconds (fuzzing,
// tests that only count the time asked for): the function gets each wait of
// more than 0 us and need not sleep. An empty function restores the real wait.
void SetWaitFunction(std::function<void(std::chrono::microseconds)> wait);

// Calls the function with every byte that WriteByte hands to the port, just
// before it goes out (a line monitor; the test peers stamp with it the moment
// a byte leaves the program). An empty function removes the tap.
void SetWriteTap(std::function<void(std::uint8_t)> tap);

// One process-wide millisecond stopwatch; Elapsed is modulo 2^32, so it is
// right across the wrap of the millisecond clock. StartStamp is the clock's
// reading at the last StopwatchStart: an exchange hands it to the GUI
// thread, which counts on with zentor::millisecondsNow (millisecond_clock.h).
void StopwatchStart();
std::uint32_t StopwatchStartStamp();
unsigned StopwatchElapsed();

// Replaces the millisecond clock behind the stopwatch (tests); an empty
// function restores the system's monotonic clock. The same as
// zentor::setMillisecondClock.
void SetMillisecondClock(std::function<std::uint32_t()> clock);

// The port, its time-out, the waits and the stopwatch belong to one thread.
// BindToCurrentThread makes the calling thread their owner (the link thread
// does so when it starts); debug builds assert that every later call comes
// from it. ReleaseThread (the link thread, when it ends) lets any one thread
// call again, as before the first bind.
void BindToCurrentThread();
void ReleaseThread();

// DTR on or off; the device's answer. PulseControlLine raises DTR for 100 ms.
bool SetControlLine(bool on);
bool PulseControlLine();

// Device path of port n (1..9): from SetPortPath, or the default map
// COM1 /dev/ttyUSB0, COM2 /dev/ttyUSB1, COM3 /dev/ttyACM0, COM4 /dev/ttyACM1,
// COM5 /dev/ttyS0, COM6 /dev/ttyS1, COM7..9 /dev/ttyS2..4.
std::string PortPath(int n);
// Overrides the path of port n; an empty path restores the default.
void SetPortPath(int n, const std::string& path);

// ---- Command protocol ----------------------------------------------------

// After 1 ms, reads two bytes; true when they are c and its complement.
bool CheckEcho(int c);
// 27, c, then CheckEcho(c).
bool SendCommand(int opcode);
bool OutOn();
bool OutOff();
bool LedOn();
bool LedOff();
bool LedBlink();
bool Beep();

// 27, opcode (and the operand when length is 2); reads the answer pair with
// 20 ms before each read and after the second; true for expected and its
// complement.
bool SendCommandWithOperand(int length, int opcode, int operand, int expected);

// The presence check's answer from a board in step.
inline constexpr char kAnswerOk[] = "Ok";

// Presence check: text becomes "Ok" or "Controler antwortet nicht!". A second
// attempt is made only after total silence. firstAnswer, when given, gets
// the first byte of the last answer (-1 for silence).
void Handshake(std::string& text, int* firstAnswer = nullptr);

// Up to five ESC ESC rounds until the board answers 27; then drops input.
// It also stops a board program that runs. True when the board answered.
bool Resync();

// Whether a board program may run: set by NoteProgramStarted (after the
// start frame or a continue went out), cleared by Resync and by opening a
// port. A page whose resync ended a program says so.
void NoteProgramStarted();
void ForgetProgram();
bool ProgramMayRun();

// 27 60; the reading 0..255, or -1 for silence or a broken pair.
int ReadAnalog();

// Lone ESC (one answer byte dropped) and lone 0 (two answer bytes dropped).
void SendBreak();
void SendContinue();

// Waits for the next byte of a bulk answer: polls BytesInQueue up to 1001
// times with 1 ms between empty polls. False when nothing came (about 1 s).
bool AwaitInput();

} // namespace comphard
