// The recorder's journal: while "Zeitschreiber" records, its samples go to
// $XDG_STATE_HOME/zentor/zeitschreiber.journal (normally
// ~/.local/state/zentor), so that a crash, a kill or a power cut costs at
// most the last second. A recording that ends removes its journal; the next
// start offers one that was left behind.
//
// The journal is a measurement file without its closing "[Ende]": the
// header and [Messung] of the recording, then one row per counted sample.
#pragma once

#include "measurement_file.h"

#include <QObject>

#include <optional>

class RecorderPage;

namespace zentor {

class Journal;

QString recordingJournalPath();

// A journal's bytes as the measurement they hold; nothing when they hold no
// sample or cannot be read. A row cut off by the crash is left out.
std::optional<Measurement> readRecordingJournal(const QByteArray& bytes);

// "Die Aufzeichnung vom 7.12. 14:03 (812 Messwerte) wiederherstellen?"
QString recordingJournalQuestion(const Measurement& measurement);

// Keeps the journal of the page's recordings.
class RecordingJournal : public QObject {
    Q_OBJECT

public:
    explicit RecordingJournal(RecorderPage& page, QString path = recordingJournalPath());
    ~RecordingJournal() override;

    // The recording left behind by an earlier run, if any; read at most
    // once, and removed once read.
    std::optional<Measurement> takeLeftBehind();

    Journal& journal() { return *m_journal; }

private:
    RecorderPage& m_page;
    Journal* m_journal;
};

} // namespace zentor
