// The "Zeitschreiber" page: the PC-side chart recorder. A timer of the main
// window polls the board's analog input; each reading is stored with its time
// on the recorder clock and the trace grows on ytdiagram while it is taken.
//
// The exchanges run on the link thread: a start is a resynchronisation and a
// presence check (up to a few seconds with a silent board), a tick one analog
// reading (about 27 ms at 1200 baud, longer than the shortest interval).
#pragma once

#include "measurement_page.h"
#include "recorder.h"

#include <functional>
#include <vector>

class ChartWidgetBase;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class Shell;
class TDiagramm;

class RecorderPage : public MeasurementPage {
    Q_OBJECT

public:
    // yttimer belongs to the main window; the page sets its interval, starts
    // and stops it, and samples on its ticks.
    RecorderPage(Shell& shell, QTimer& yttimer, QWidget* parent = nullptr);

    QPushButton* ytstart;   // "&Start" / "&Stop"
    QComboBox* timeyt;      // recording duration, the rows of zentor::kRecorderRows
    QCheckBox* ytdauer;     // "&Autoneustart"
    QCheckBox* CheckBox2;   // "Anzeige in &Volt"
    QComboBox* ytchannel;   // channel; hidden and disabled as laid out
    QLabel* Label16;        // "Messdauer:"
    QLabel* Label17;        // "Eingang:", hidden
    TDiagramm* ytdiagram;   // the trace: x in s, y in volts or raw
    QPlainTextEdit* ytmemo; // hidden; "&Kopieren" assembles its text here

    // The sample store, owned by the main window (allocated when the window
    // is created, released when it is destroyed; nullptr meanwhile). The page
    // never writes past its 1500 entries.
    void setRecorderBuffer(zentor::RecorderBuffer* buffer) { m_buffer = buffer; }
    // Channel code of the recording (60: voltage).
    int RecorderChannel = zentor::kRecorderDefaultChannel;

    // The clipboard lines of "&Kopieren": one per counted sample, time in s
    // and the value in the units shown ("0,02\t5,00").
    QStringList copyLines() const override;

    // The recording now or last taken.
    bool isRecording() const { return m_recorder.isRecording(); }
    int sampleCount() const { return m_recorder.count(); }
    // The counted and stored samples (the window's buffer when it has one).
    const zentor::RecorderBuffer& samples() const;
    // The timeyt item of the recording now or last taken (the selected item
    // before the first one); measuredAt() is when it started.
    int recordingItem() const;
    // Shows stored samples (times from 0, as a recording of the selected
    // timeyt item took them) as if they had just been recorded. Refused
    // (false) while a recording runs.
    bool loadRecording(const std::vector<zentor::RecorderSample>& stored,
                       const QDateTime& measuredAt);

    // The recorder clock: a free-running millisecond counter (differences are
    // taken modulo 2^32). Replaceable for tests; an empty function restores
    // the system's monotonic clock.
    using Clock = std::function<quint32()>;
    void setRecorderClock(Clock clock);

    // One tick with the reading already taken (0..255, or -1 for a failed
    // read, which skips the tick and leaves a gap in the trace): stores it,
    // draws the new segment and ends the recording when its budget or
    // duration is used up. The status bar says when readings start to fail
    // and when they come back.
    void recordReading(int reading);

    // ---- MeasurementPage ----
    // The page holds a measurement while it has counted samples; the time is
    // that of the recording's start.
    bool holdsMeasurement() const override;
    bool measuring() const override { return isRecording(); }
    zentor::Measurement measurement() const override;
    bool takes(const zentor::Measurement& m) const override;
    bool showMeasurement(const zentor::Measurement& m) override;
    QImage chartPicture(int scale) const override;
    ChartWidgetBase& analysisChart() const override;

signals:
    // A recording began (its settings and time are the page's now), counted
    // a sample, or ended, by its budget, its duration or "&Stop".
    void recordingStarted();
    void sampleCounted(const zentor::RecorderSample& sample);
    void recordingEnded();

public slots:
    void ytstartClick();
    void yttimerTimer();
    void timeytChange();
    void ytchannelChange();
    void CheckBox2Click();
    void ytdiagramPainted(QObject* Sender);

protected:
    // ytstart
    QPushButton* defaultButton() const override;
    // "&Start" waits while the link runs a command; "&Stop" never does.
    void followLink() override;

private:
    void buildControls();
    // The start's continuation once the board was checked.
    void beginRecording(int item, const QString& answer);
    void endRecording();
    void showStartCaption(QStringView caption);
    // Starts the reading a tick asked for, unless a reading still runs.
    void takeOwedReading();
    void drawLine(const zentor::LineSegment& line);
    quint32 clockNow() const;

    Shell& m_shell;
    QTimer& yttimer;
    zentor::RecorderBuffer* m_buffer = nullptr;
    zentor::Recorder m_recorder;
    Clock m_clock;
    int m_recordingItem = -1;
    bool m_readingsFail = false;   // the last reading of the recording failed
    bool m_readingOwed = false;    // a tick came while a reading ran
    bool m_readingRunning = false; // a reading is on the link
};
