// The "Oszilloskop" page: the board takes a burst of 101 analog samples at a
// chosen time base into its sample memory; the page orders the capture, waits
// for it, reads the samples back and draws them on OSZI, in volts or raw.
// "&RAM lesen" reads the sample memory without ordering a capture. Either
// action repeats about once a second while "&Automatisch wiederholen" is
// checked.
//
// The exchanges run on the link thread: a capture takes 30 ms + 60 ms
// + 120 × ScopeTimeBase ms plus the read (about 0.9 s for 103 bytes at
// 1200 baud), so up to about 3.5 s at the slowest time base. Captures and
// reads can be cancelled; the page keeps its samples then.
#pragma once

#include "measurement_page.h"
#include "scope.h"

#include <array>

class ChartWidgetBase;
class QCheckBox;
class QPushButton;
class QRadioButton;
class QTimer;
class Shell;
class TDiagramm;

namespace zentor {
struct ScopeRead;
}

class ScopePage : public MeasurementPage {
    Q_OBJECT

public:
    // TimerOszi belongs to the main window; the page arms it (1000 ms) after
    // a successful read while CheckBox3 is checked, and repeats on its ticks.
    ScopePage(Shell& shell, QTimer& timerOszi, QWidget* parent = nullptr);

    TDiagramm* OSZI;
    QRadioButton* RadioButton1; // "10"
    QRadioButton* RadioButton2; // "20"
    QRadioButton* RadioButton3; // "50"
    QRadioButton* RadioButton4; // "100"
    QRadioButton* RadioButton5; // "200  ms/DIV"
    QPushButton* Button14;      // "&Messen"
    QPushButton* RAMRead;       // "&RAM lesen"
    QCheckBox*
        CheckBox3; // "&Automatisch wiederholen"; the main window unchecks it on a page change
    QCheckBox* CheckBox4; // "Anzeige in &Volt"

    // The board's sampling interval in ms, a tenth of the ms per division.
    qint32 ScopeTimeBase = zentor::kScopeDefaultTimeBase;
    // The 101 samples last read, slot 0 first; zero at start.
    zentor::ScopeValues ScopeValues{};

    // The action TimerOszi repeats: zentor::kScopeRepeatCapture ("&Messen")
    // or zentor::kScopeRepeatRamRead ("&RAM lesen").
    int timerOsziTag() const { return m_timerOsziTag; }

    // The clipboard lines of "&Kopieren": 100 lines, i × ScopeTimeBase ms and
    // the sample in volts, whatever the units shown.
    QStringList copyLines() const override;

    // ---- MeasurementPage ----
    zentor::Measurement measurement() const override;
    bool takes(const zentor::Measurement& m) const override;
    // Also switches the repetition off, so that its next tick does not
    // overwrite what is shown.
    bool showMeasurement(const zentor::Measurement& m) override;
    QImage chartPicture(int scale) const override;
    ChartWidgetBase& analysisChart() const override;
    zentor::AnalysisTimeScale analysisTimeScale() const override;

public slots:
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void RadioButton5Click();
    // "&Messen" (Sender Button14) or "&RAM lesen" (Sender RAMRead).
    void Button14Click(QObject* Sender);
    void OSZIPainted(QObject* Sender);
    void CheckBox4Click();
    void TimerOsziTimer();

protected:
    // "&Messen" and "&RAM lesen" wait while the link runs a command.
    void followLink() override;

private:
    void buildControls();
    std::array<QRadioButton*, 5> radioButtons() const;
    void selectTimeBase(int index, bool setCaptionX);
    qint32 checkedTimeBase() const;
    // The page's part of "&Messen" and "&RAM lesen" before the exchange.
    void prepareCapture();
    void prepareRamRead();
    // Takes the samples read and draws them; the status bar tells the outcome.
    void showSamples(const zentor::ScopeRead& read);

    Shell& m_shell;
    QTimer& TimerOszi;
    int m_timerOsziTag = zentor::kScopeRepeatCapture;
    bool m_reading = false; // a capture or read is on the link
};
