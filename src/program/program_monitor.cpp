#include "program_monitor.h"

#include "comphard.h"

#include <QLocale>

namespace zentor {

namespace {

// The read time-out inside a slice: a little more than two byte times at
// 1200 baud, so that a burst of prints comes back in one piece.
constexpr int kQuietMs = 20;
constexpr int kBreakByte = 27;

} // namespace

void MonitorLog::append(const PrintedByte& byte) {
    if (m_bytes.size() >= kCapacity)
        m_bytes.removeFirst();
    m_bytes.append(byte);
}

QString MonitorLog::rowText(const PrintedByte& byte) {
    return QStringLiteral("%1 s: %2")
        .arg(QLocale().toString(static_cast<double>(byte.milliseconds) / 1000.0, 'f', 2))
        .arg(byte.value);
}

QString MonitorLog::copyText() const {
    QString text = QStringLiteral("Zeit (s)\tWert\n");
    for (const PrintedByte& byte : m_bytes)
        text += QLocale().toString(static_cast<double>(byte.milliseconds) / 1000.0, 'f', 2) +
                u'\t' + QString::number(byte.value) + u'\n';
    return text;
}

QString sendRangeRefusal() {
    return QStringLiteral("Nur ganze Zahlen von 0 bis 255 können gesendet werden.");
}

QString sendBreakRefusal() {
    return QStringLiteral("27 kann nicht gesendet werden: Die Platine nimmt 27 als Unterbrechung.");
}

SendByte parseSendByte(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < 0 || value > 255)
        return {std::nullopt, sendRangeRefusal()};
    if (value == kBreakByte)
        return {std::nullopt, sendBreakRefusal()};
    return {value, QString()};
}

PrintedChunk listenForPrints(std::chrono::milliseconds slice) {
    PrintedChunk chunk;
    const auto end = std::chrono::steady_clock::now() + slice;
    // The configured time-out belongs to the other exchanges: lend it out
    // for the slice only.
    const int previous = comphard::SetTimeout(kQuietMs);
    while (!comphard::ExchangeCancelled() && std::chrono::steady_clock::now() < end) {
        const auto asked = std::chrono::steady_clock::now();
        const int value = comphard::ReadByte();
        if (value < 0) {
            // A read that gives up long before its time-out without a cancel
            // found the device gone.
            const bool early =
                std::chrono::steady_clock::now() - asked < std::chrono::milliseconds(kQuietMs / 2);
            chunk.portClosed = !comphard::PortIsOpen() || (early && !comphard::ExchangeCancelled());
            if (!chunk.values.empty() || chunk.portClosed)
                break;
            continue;
        }
        chunk.values.push_back(static_cast<std::uint8_t>(value));
        chunk.times.push_back(std::chrono::steady_clock::now());
    }
    if (previous >= 0)
        comphard::SetTimeout(previous);
    return chunk;
}

void sendToProgram(int value) {
    comphard::WriteByte(value);
}

} // namespace zentor
