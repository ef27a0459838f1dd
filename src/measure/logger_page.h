// The "Extern Messen" page: the board-side data logger. The PC writes the
// input and the interval into cells 0 to 2 of the board, starts the board's
// logger, counts the measuring time down in the status bar and afterwards
// reads the 125 values back (cells 3 to 127) and draws them on Diagram1.
//
// The exchanges run on the link thread (measurement_exchange.h): the start
// some half second, the end of the countdown 2000 ms plus the read-out, the
// read-out up to about one second per byte of the dump when the board stops
// answering. The read-out can be cancelled; the page keeps its values then.
#pragma once

#include "logger.h"
#include "measurement_page.h"

#include <cstdint>
#include <memory>

class ChartWidgetBase;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class Shell;
class TDiagram;

namespace zentor {
struct LoggerReadOut;
}

namespace Ui {
class LoggerPageForm;
}

class LoggerPage : public MeasurementPage {
    Q_OBJECT

public:
    // Timer2 belongs to the main window; it counts a measurement down. The
    // recorder's timer is looked at only: no logger start while it samples.
    LoggerPage(Shell& shell, QTimer& timer2, const QTimer& recorderTimer,
               QWidget* parent = nullptr);
    ~LoggerPage() override;

    // The controls (children of the page).
    TDiagram* Diagram1;         // the values over the measuring time
    QComboBox* ComboBox16;      // measuring duration, the 20 items of kLoggerDurations
    QComboBox* ComboBox17;      // input: "Analog", "Digital"
    QPushButton* Button12;      // "&Start"
    QPushButton* Button11;      // "&Auslesen"
    QCheckBox* CheckBox1;       // "A&utomatisch auslesen"
    QLabel* Label13;            // "Messdauer:"
    QLabel* Label14;            // the duration summary line
    QLabel* Label15;            // "Eingang:"
    QProgressBar* ProgressBar1; // read-out progress, maximum 120

    // The values of the last read-out: slot k is cell k + 3 of the board
    // (0..255, -1 where the read failed); all zero before the first one.
    // Slots 0..120 are drawn and copied.
    const zentor::LoggerValues& loggerValues() const { return m_values; }
    zentor::LoggerValues& loggerValues() { return m_values; }

    // The countdown target of the running (or last) measurement, whole seconds.
    quint32 loggerSeconds() const { return LoggerSeconds; }

    // "&Kopieren": 121 lines "time<TAB>value", the time i × the interval of
    // the selected duration in s, the value raw as read.
    QStringList copyLines() const override;

    // ---- MeasurementPage ----
    bool measuring() const override;
    zentor::Measurement measurement() const override;
    bool takes(const zentor::Measurement& m) const override;
    bool showMeasurement(const zentor::Measurement& m) override;
    QImage chartPicture(int scale) const override;
    ChartWidgetBase& analysisChart() const override;
    // Not while the input is "Digital": bit lanes are no values to evaluate.
    bool offersAnalysis() const override;
    zentor::AnalysisTimeScale analysisTimeScale() const override;

public slots:
    // Label14 and the chart's x axis for the selected duration. Also run
    // once when the window is shown and after every read-out.
    void ComboBox16Change();
    // The chart's y axis and display mode for the selected input.
    void ComboBox17Change();
    // "&Start": programs cells 0 to 2 of the board, starts its logger and
    // the countdown. Refused while the chart recorder samples.
    void Button12Click();
    // One tick of Timer2 (500 ms): the remaining time, or at the end the
    // 2000 ms settling wait and, with CheckBox1 checked, the read-out.
    void Timer2Timer();
    // "&Auslesen": ends a running countdown, reads cells 0 to 2 (which set
    // both boxes) and the dump of the board memory into the values.
    void Button11Click();
    // Draws the values onto Diagram1 (its OnPainted handler).
    void Diagram1Painted(QObject* Sender);

protected:
    // "&Start"
    QPushButton* defaultButton() const override;
    // Start and read-out are possible while the link runs no command; the
    // start not while the countdown runs either.
    void followLink() override;

private:
    // The read-out's result on the page: the boxes, the values, the texts.
    void showReadOut(const zentor::LoggerReadOut& readOut);

    std::unique_ptr<Ui::LoggerPageForm> m_ui;
    Shell& m_shell;
    QTimer& Timer2;
    const QTimer& m_recorderTimer;
    zentor::LoggerValues m_values{};
    quint32 LoggerSeconds = 0;
    // The stopwatch's start stamp of the running measurement
    // (millisecond_clock.h).
    std::uint32_t m_loggerStart = 0;
};
