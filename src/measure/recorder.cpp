#include "recorder.h"

#include "conversion.h"

#include <algorithm>

namespace zentor {

static_assert(std::all_of(kRecorderRows.begin(), kRecorderRows.end(),
                          [](const RecorderRow& row) {
                              return row.capacity <= RecorderBuffer::kSize &&
                                     row.durationMs % row.capacity == 0;
                          }),
              "every budget fits the buffer and divides its duration");

int recorderChannelCode(int item) {
    if (item < 0 || item >= static_cast<int>(kRecorderChannels.size())) {
        return kRecorderDefaultChannel;
    }
    return kRecorderChannels[static_cast<std::size_t>(item)].code;
}

ChartYAxis recorderYAxis(int channelCode, bool volts) {
    if (!volts) {
        return kRawYAxis;
    }
    for (const RecorderChannelRow& channel : kRecorderChannels) {
        if (channel.code == channelCode) {
            return channel.axis;
        }
    }
    return {u"", 0, 250, 25};
}

bool RecorderBuffer::store(int index, const RecorderSample& sample) {
    if (index < 0 || index >= kSize) {
        return false;
    }
    m_entries[static_cast<std::size_t>(index)] = sample;
    return true;
}

double recorderY(int raw, bool volts, int channelCode) {
    return volts ? ConvertReading(channelCode, raw).value : raw;
}

LineSegment recorderSegment(const RecorderSample& from, const RecorderSample& to, bool volts,
                            int channelCode) {
    return {from.time / 1000.0, recorderY(from.value, volts, channelCode), to.time / 1000.0,
            recorderY(to.value, volts, channelCode)};
}

std::vector<LineSegment> recorderTrace(const RecorderBuffer& buffer, int count, bool volts,
                                       int channelCode) {
    count = std::clamp(count, 0, RecorderBuffer::kSize);
    std::vector<LineSegment> lines;
    lines.reserve(static_cast<std::size_t>(std::max(count - 1, 0)));
    for (int i = 1; i < count; ++i) {
        if (!buffer[i].afterGap)
            lines.push_back(recorderSegment(buffer[i - 1], buffer[i], volts, channelCode));
    }
    return lines;
}

qint32 Recorder::start(int item) {
    const RecorderRow& row = recorderRow(item);
    m_recording = true;
    m_taken = false;
    m_missed = false;
    m_count = 0;
    m_capacity = row.capacity;
    m_durationMs = row.durationMs;
    m_intervalMs = recorderIntervalMs(row);
    return m_intervalMs;
}

std::optional<Recorder::Taken> Recorder::take(int reading, quint32 nowMs, bool volts,
                                              int channelCode) {
    m_taken = false;
    if (!m_recording)
        return std::nullopt;
    if (reading < 0 || reading > 255) {
        m_missed = true;
        return std::nullopt;
    }
    if (m_count == 0) {
        m_clock = nowMs;
    }
    // Unsigned difference: right across the wrap of the millisecond clock.
    const RecorderSample sample{static_cast<quint8>(reading), static_cast<qint32>(nowMs - m_clock),
                                m_missed && m_count > 0};
    m_missed = false;
    // With the count at the 1500 budget this index is one past the buffer:
    // that last sample is drawn but has no slot, as it is never counted.
    m_buffer.store(m_count, sample);

    Taken taken{sample, std::nullopt};
    if (m_count > 0 && !sample.afterGap) {
        taken.segment = recorderSegment(m_buffer[m_count - 1], sample, volts, channelCode);
    }
    m_taken = true;
    return taken;
}

bool Recorder::proceed(quint32 nowMs) {
    if (!m_recording || !m_taken) {
        return m_recording;
    }
    m_taken = false;
    const quint32 elapsed = nowMs - m_clock;
    if (m_count < m_capacity && elapsed < static_cast<quint32>(m_durationMs)) {
        ++m_count;
        return true;
    }
    m_recording = false;
    return false;
}

} // namespace zentor
