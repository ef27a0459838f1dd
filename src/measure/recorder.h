// The PC-side chart recorder ("Zeitschreiber"): recording table, channel
// table, the sample buffer and the bookkeeping of one recording. Pure: the
// page reads the board, passes the readings and the recorder clock in, and
// draws the segments it gets back.
#pragma once

#include "chart_geometry.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <optional>
#include <vector>

namespace zentor {

struct RecorderRow {
    QStringView itemText; // exactly as in the duration box timeyt, leading blanks kept
    qint32 durationMs;    // RecorderDurations
    qint32 capacity;      // RecorderCapacities: the sample budget
    qint32 xdiv;          // RecorderXdiv: chart x division in s, 0 = automatic
};

// Items of timeyt, in order.
// clang-format off
inline constexpr std::array<RecorderRow, 23> kRecorderRows{{
    {u"   1 Sekunde", 1000, 50, 0},
    {u"   2 Sekunden", 2000, 100, 0},
    {u"   5 Sekunden", 5000, 250, 0},
    {u" 10 Sekunden", 10000, 500, 0},
    {u" 20 Sekunden", 20000, 1000, 0},
    {u" 30 Sekunden", 30000, 1000, 2},
    {u" 50 Sekunden", 50000, 1000, 5},
    {u" 60 Sekunden", 60000, 1000, 5},
    {u"   2 Minuten", 120000, 1000, 10},
    {u"   5 Minuten", 300000, 1000, 30},
    {u" 10 Minuten", 600000, 1000, 50},
    {u" 20 Minuten", 1200000, 1500, 100},
    {u" 30 Minuten", 1800000, 1500, 200},
    {u" 50 Minuten", 3000000, 1500, 500},
    {u" 60 Minuten", 3600000, 1500, 600},
    {u"   2 Stunden", 7200000, 1500, 0},
    {u"   3 Stunden", 10800000, 1500, 0},
    {u"   4 Stunden", 14400000, 1500, 0},
    {u"   6 Stunden", 21600000, 1500, 0},
    {u"   8 Stunden", 28800000, 1500, 0},
    {u" 10 Stunden", 36000000, 1500, 0},
    {u" 12 Stunden", 43200000, 1500, 0},
    {u" 24 Stunden", 86400000, 1500, 0},
}};
// clang-format on

// " 10 Sekunden", selected when the window is created.
inline constexpr int kRecorderDefaultItem = 3;

// The row of a timeyt item; a negative or unknown index gives row 0.
constexpr const RecorderRow& recorderRow(int item) {
    return kRecorderRows[item < 0 || item >= static_cast<int>(kRecorderRows.size())
                             ? 0
                             : static_cast<std::size_t>(item)];
}

// Polling interval of yttimer in ms.
constexpr qint32 recorderIntervalMs(const RecorderRow& row) {
    return row.durationMs / row.capacity;
}

// Chart Xmax in whole seconds; the x axis is always in seconds.
constexpr qint32 recorderXmax(const RecorderRow& row) {
    return row.durationMs / 1000;
}

struct RecorderChannelRow {
    QStringView itemText;
    int code;
    ChartYAxis axis; // the axis in physical units
};

// Items of ytchannel (RecorderChannels) with their axes.
// clang-format off
inline constexpr std::array<RecorderChannelRow, 7> kRecorderChannels{{
    {u"Spannung", 60, {u"Volt", 0, 5, 0.5}},
    {u"Licht", 61, {u"", 0, 250, 25}},
    {u"Temperatur", 62, {u"°C", -10, 100, 10}},
    {u"Widerstand", 63, {u"k", 0, 2500, 250}},
    {u"Lärm", 64, {u"", 0, 250, 25}},
    {u"Batterie", 65, {u"Volt", 0, 10, 1}},
    {u"Eingang", 66, {u"1/0", 0, 1, 1}},
}};
// clang-format on

// RecorderChannel at window creation.
inline constexpr int kRecorderDefaultChannel = 60;

// The channel code of a ytchannel item; 60 for a negative or unknown index.
int recorderChannelCode(int item);

// The y axis of ytdiagram (CheckBox2Click): with volts the channel's axis
// (empty caption, 0..250 step 25 for an unknown code), without the raw axis.
ChartYAxis recorderYAxis(int channelCode, bool volts);

// Captions of ytstart.
inline constexpr QStringView kRecorderStartCaption = u"&Start";
inline constexpr QStringView kRecorderStopCaption = u"&Stop";

// Status texts while readings fail during a recording, and once they work
// again.
inline constexpr QStringView kRecorderReadFailedText =
    u"Messwert fehlt: Controler antwortet nicht!";
inline constexpr QStringView kRecorderReadingAgainText = u"Ok";

// One stored reading.
struct RecorderSample {
    quint8 value = 0; // raw 0..255
    qint32 time = 0;  // ms since the first sample of the recording
    // Readings failed before this sample: no line leads to it, the trace
    // shows the gap.
    bool afterGap = false;
    friend bool operator==(const RecorderSample&, const RecorderSample&) = default;
};

// The 1500 sample slots, zero-filled. Writes outside the slots are refused,
// never carried out.
class RecorderBuffer {
public:
    static constexpr int kSize = 1500;

    // Stores sample at index; false (and nothing written) outside 0..1499.
    bool store(int index, const RecorderSample& sample);

    // Entry i, 0 <= i < kSize.
    const RecorderSample& operator[](int i) const { return m_entries[static_cast<std::size_t>(i)]; }
    static constexpr int size() { return kSize; }

private:
    std::array<RecorderSample, kSize> m_entries{};
};

// The y value of a raw sample in the chosen units: ConvertReading's value for
// the channel, or the raw value.
double recorderY(int raw, bool volts, int channelCode);

// The segment between two stored samples: x in seconds, y per recorderY.
LineSegment recorderSegment(const RecorderSample& from, const RecorderSample& to, bool volts,
                            int channelCode);

// The lines ytdiagramPainted draws: entry i - 1 to entry i for
// i = 1 .. count - 1 (count is clamped to the buffer), except to an entry
// after a gap.
std::vector<LineSegment> recorderTrace(const RecorderBuffer& buffer, int count, bool volts,
                                       int channelCode);

// One recording: the sample count, budget, duration and the recorder clock.
// Times are the system's millisecond clock (any free-running unsigned 32-bit
// ms counter; differences are taken modulo 2^32).
//
// A tick is two calls: take() stores the reading and gives the segment to
// draw, then proceed() with a fresh clock reading decides whether the
// recording goes on. The sample of the tick that ends the recording is drawn
// but not counted; when the count has reached 1500 it is not stored either.
class Recorder {
public:
    // Starts a recording with the row of a timeyt item: count 0, the clock is
    // restarted at the first sample. Returns the polling interval in ms.
    qint32 start(int item);
    // Ends the recording; the stored samples stay.
    void stop() { m_recording = false; }

    struct Taken {
        RecorderSample sample;
        std::optional<LineSegment> segment; // none for the first sample
    };
    // Stores a reading taken at nowMs. Nothing is stored (nullopt) for a
    // failed reading (-1 or anything outside 0..255) or when no recording
    // runs; the end conditions are then not examined either. The next sample
    // after a failed reading comes after a gap: it has no segment.
    std::optional<Taken> take(int reading, quint32 nowMs, bool volts, int channelCode);

    // After a successful take(): counts the sample and returns true while the
    // budget and the duration (measured at nowMs) last; otherwise the
    // recording ends (not counted) and false is returned.
    bool proceed(quint32 nowMs);

    bool isRecording() const { return m_recording; }
    int count() const { return m_count; }
    int capacity() const { return m_capacity; }
    qint32 durationMs() const { return m_durationMs; }
    qint32 intervalMs() const { return m_intervalMs; }
    const RecorderBuffer& buffer() const { return m_buffer; }

private:
    RecorderBuffer m_buffer;
    bool m_recording = false;
    int m_count = 0;
    int m_capacity = 0;
    qint32 m_durationMs = 0;
    qint32 m_intervalMs = 0;
    quint32 m_clock = 0;
    bool m_taken = false; // take() stored a sample that proceed() has not judged
    bool m_missed = false; // a reading failed since the last stored sample
};

} // namespace zentor
