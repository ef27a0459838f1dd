// "Ausgabe der Platine": what a running board program sends with "Print A",
// and the byte the PC sends it for "Input A".
//
// A running program sends each "Print A" as one lone byte (no complement)
// and takes any byte but 27 for "Input A"; 27 is always the break. While a
// started program runs and the link has nothing else to do, the page keeps
// one listening exchange (Link::Kind::Background) on the link thread:
// listenForPrints() reads for one slice and hands back what came. Any
// command (Stop, Break, another page's exchange) ends the slice first; the
// page starts the next slice when the link is idle again.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace zentor {

// One byte the program printed.
struct PrintedByte {
    qint64 milliseconds; // since the program was started
    int value;           // 0..255
};

// The bytes printed since the program was started, oldest first. Holds at
// most kCapacity; older ones are dropped (a printing loop sends some 120 a
// second).
class MonitorLog {
public:
    static constexpr int kCapacity = 5000;

    void clear() { m_bytes.clear(); }
    void append(const PrintedByte& byte);
    const QList<PrintedByte>& bytes() const { return m_bytes; }

    // One row as the monitor lists it: the time in seconds with two
    // decimals in the user's locale, then the value in decimal
    // ("1,25 s: 17").
    static QString rowText(const PrintedByte& byte);
    // The whole log for the clipboard: a header, then one tab-separated
    // line per byte (seconds, value), each ending in a line break.
    QString copyText() const;

private:
    QList<PrintedByte> m_bytes;
};

// The byte the field "Senden" sends: the text as a decimal number 0..255
// (blanks around it allowed). 27 is refused because the board takes it as
// the break.
struct SendByte {
    std::optional<int> value;
    QString refusal; // why not, when value is empty
};
SendByte parseSendByte(const QString& text);

// The texts of the refusals.
QString sendRangeRefusal();
QString sendBreakRefusal();

// On the link thread, inside an exchange: reads what the running program
// prints for up to `slice`, or until the exchange is cancelled; returns
// early once bytes have come and the line has been quiet for a byte time or
// two. Each byte is stamped with the steady clock when it was read. Sends
// nothing, so a cancel leaves the line as it was.
struct PrintedChunk {
    std::vector<std::uint8_t> values;
    std::vector<std::chrono::steady_clock::time_point> times;
    bool portClosed = false; // no port, or the device went: nothing more will come
};
PrintedChunk listenForPrints(std::chrono::milliseconds slice);

// On the link thread, inside an exchange: sends one byte to the running
// program ("Input A" takes it). The caller has refused 27.
void sendToProgram(int value);

} // namespace zentor
