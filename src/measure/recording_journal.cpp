#include "recording_journal.h"

#include "journal.h"
#include "recorder_page.h"

#include <QDir>
#include <QFile>

namespace zentor {

namespace {

const QByteArray kEnd = QByteArrayLiteral("[Ende]\r\n");

QByteArray rowOf(const RecorderSample& sample) {
    return QByteArray::number(sample.time) + ';' + QByteArray::number(sample.value) + "\r\n";
}

} // namespace

QString recordingJournalPath() {
    // Qt 6.4 knows no state location yet: the XDG rule by hand.
    QString folder = qEnvironmentVariable("XDG_STATE_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.local/state");
    return folder + QStringLiteral("/zentor/zeitschreiber.journal");
}

std::optional<Measurement> readRecordingJournal(const QByteArray& bytes) {
    // The last row may have been cut by the crash: keep whole lines only.
    const qsizetype lastLineEnd = bytes.lastIndexOf('\n');
    if (lastLineEnd < 0)
        return std::nullopt;
    const MeasurementReadResult read = readMeasurementFile(bytes.left(lastLineEnd + 1) + kEnd);
    if (!read.ok)
        return std::nullopt;
    const auto* recording = std::get_if<RecorderMeasurement>(&read.measurement.data);
    if (recording == nullptr || recording->samples.empty())
        return std::nullopt;
    return read.measurement;
}

QString recordingJournalQuestion(const Measurement& measurement) {
    const auto& samples = std::get<RecorderMeasurement>(measurement.data).samples;
    const QString when =
        measurement.takenAt.isValid()
            ? measurement.takenAt.toLocalTime().toString(QStringLiteral("d.M. HH:mm"))
            : QStringLiteral("unbekannter Zeit");
    return QStringLiteral("Die Aufzeichnung vom %1 (%2 Messwerte) wiederherstellen?")
        .arg(when)
        .arg(samples.size());
}

RecordingJournal::RecordingJournal(RecorderPage& page, QString path)
    : QObject(&page), m_page(page), m_journal(new Journal(std::move(path), this)) {
    connect(&page, &RecorderPage::recordingStarted, this, [this] {
        QByteArray header = measurementFileBytes(m_page.measurement());
        header.chop(kEnd.size()); // the rows follow
        m_journal->begin(header);
    });
    connect(&page, &RecorderPage::sampleCounted, this,
            [this](const RecorderSample& sample) { m_journal->append(rowOf(sample)); });
    connect(&page, &RecorderPage::recordingEnded, m_journal, &Journal::discard);
}

RecordingJournal::~RecordingJournal() = default;

std::optional<Measurement> RecordingJournal::takeLeftBehind() {
    QFile file(m_journal->path());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A journal is as large as a measurement file at most.
    const QByteArray bytes = file.read(kMeasurementFileLimit);
    file.close();
    m_journal->discard();
    return readRecordingJournal(bytes);
}

} // namespace zentor
