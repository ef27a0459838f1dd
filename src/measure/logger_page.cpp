#include "logger_page.h"

#include "comphard.h"
#include "diagram.h"
#include "dialogs.h"
#include "link.h"
#include "measurement_exchange.h"
#include "measurement_file.h"
#include "measurement_pages.h"
#include "millisecond_clock.h"
#include "shell.h"
#include "text_export.h"
#include "ui_logger_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

using namespace zentor;

LoggerPage::LoggerPage(Shell& shell, QTimer& timer2, const QTimer& recorderTimer, QWidget* parent)
    : MeasurementPage(parent), m_ui(std::make_unique<Ui::LoggerPageForm>()), m_shell(shell),
      Timer2(timer2), m_recorderTimer(recorderTimer) {
    m_ui->setupUi(this);
    Diagram1 = m_ui->Diagram1;
    ComboBox16 = m_ui->ComboBox16;
    ComboBox17 = m_ui->ComboBox17;
    Button12 = m_ui->Button12;
    Button11 = m_ui->Button11;
    CheckBox1 = m_ui->CheckBox1;
    Label13 = m_ui->Label13;
    Label14 = m_ui->Label14;
    Label15 = m_ui->Label15;
    ProgressBar1 = m_ui->ProgressBar1;
    // A caption of one blank does not survive the window description.
    Diagram1->setCaption(QStringLiteral(" "));

    for (const LoggerDuration& duration : kLoggerDurations)
        ComboBox16->addItem(duration.itemText.toString());
    for (QStringView input : kLoggerInputItems)
        ComboBox17->addItem(input.toString());
    ComboBox16->setCurrentIndex(0);
    ComboBox17->setCurrentIndex(kLoggerInputAnalog);

    connect(ComboBox16, &QComboBox::currentIndexChanged, this, &LoggerPage::ComboBox16Change);
    connect(ComboBox17, &QComboBox::currentIndexChanged, this, &LoggerPage::ComboBox17Change);
    // Values or bit lanes: what the evaluation can take changes with the input.
    connect(ComboBox17, &QComboBox::currentIndexChanged, this, &LoggerPage::displayChanged);
    connect(Button12, &QPushButton::clicked, this, &LoggerPage::Button12Click);
    connect(Button11, &QPushButton::clicked, this, &LoggerPage::Button11Click);
    connect(Diagram1, &TDiagram::OnPainted, this, &LoggerPage::Diagram1Painted);
    connect(&Timer2, &QTimer::timeout, this, &LoggerPage::Timer2Timer);
    zentor::installChartHover(*this, m_shell);
    followLink();
}

LoggerPage::~LoggerPage() = default;

QPushButton* LoggerPage::defaultButton() const {
    return Button12;
}

void LoggerPage::ComboBox16Change() {
    const LoggerSummary summary = loggerSummary(ComboBox16->currentIndex());
    Label14->setText(summary.text);
    Diagram1->setXmax(summary.xmax);
    Diagram1->setCaptionX(summary.unit.toString());
    Diagram1->Invalidate();
}

void LoggerPage::ComboBox17Change() {
    const std::optional<LoggerInputAxis> input = loggerInputAxis(ComboBox17->currentIndex());
    if (!input)
        return;
    // The caption is only stored; the range and mode setters repaint where
    // their value changed, and that repaint shows the caption too.
    Diagram1->setCaptionY(input->axis.captionY.toString());
    Diagram1->setYmin(input->axis.ymin);
    Diagram1->setYmax(input->axis.ymax);
    Diagram1->setYdiv(input->axis.ydiv);
    Diagram1->setDiaMode(input->sixTraces ? md05 : mdNormal);
}

void LoggerPage::Button12Click() {
    if (m_recorderTimer.isActive()) {
        m_shell.setStatusText(kLoggerRecorderBusyText.toString());
        dialogs::beep();
        return;
    }

    const int durationItem = ComboBox16->currentIndex();
    const int inputItem = ComboBox17->currentIndex();
    LoggerSeconds = zentor::loggerSeconds(durationItem);

    // The countdown runs from the stopwatch's start stamp, taken on the link
    // thread the moment the board's logger was started.
    struct Started {
        QString answer;
        std::uint32_t stamp = 0;
    };
    Link::instance()
        .run(
            [durationItem, inputItem] {
                Started started{startLogger(durationItem, inputItem)};
                started.stamp = comphard::StopwatchStartStamp();
                return started;
            },
            Link::Kind::Cancellable)
        .then(this, [this](const Started& started) {
            if (started.answer != QLatin1String(kHandshakeOk)) {
                m_shell.setStatusText(started.answer);
                return;
            }
            m_loggerStart = started.stamp;
            m_shell.setStatusText(kLoggerRunningText.toString());
            Timer2.start();
            followLink();
            ProgressBar1->setValue(0);
        });
}

void LoggerPage::Timer2Timer() {
    // A tick that was already on its way when the countdown ended.
    if (!Timer2.isActive())
        return;

    const LoggerCountdown countdown =
        loggerCountdown(LoggerSeconds, millisecondsBetween(m_loggerStart, millisecondsNow()));
    // The seconds left are shown, the end of the measurement is also heard.
    if (countdown.finished)
        m_shell.setStatusText(countdown.statusText);
    else
        m_shell.setStatusReading(countdown.statusText);
    if (!countdown.finished)
        return;

    Timer2.stop();
    followLink();
    // The board finishes its last sample and returns to command mode; what
    // it sent meanwhile is dropped.
    Link::instance().run([] { settleLogger(); }).then(this, [this] {
        if (CheckBox1->isChecked())
            Button11Click();
    });
}

void LoggerPage::Button11Click() {
    // A running countdown ends here, whatever the board answers; the page
    // goes back to idle, so that a later start is possible again.
    Timer2.stop();
    followLink();

    const int progressMaximum = ProgressBar1->maximum();
    Link::instance()
        .run(
            [values = m_values, progressMaximum] {
                LoggerReadOut readOut = readLogger(values, progressMaximum);
                readOut.cancelled =
                    Link::cancelRequested() && readOut.outcome != LoggerReadOut::Outcome::Done;
                return readOut;
            },
            Link::Kind::Cancellable)
        .reports(this,
                 [this](const zentor::ExchangeReport& report) {
                     if (!report.statusText.isNull())
                         m_shell.setStatusText(report.statusText);
                     if (report.position >= 0)
                         ProgressBar1->setValue(report.position);
                 })
        .then(this, [this](const LoggerReadOut& readOut) { showReadOut(readOut); });
}

void LoggerPage::showReadOut(const LoggerReadOut& readOut) {
    if (readOut.cancelled) {
        // Nothing of a cancelled read-out is taken.
        m_shell.setStatusText(QString::fromLatin1(kCancelledText));
        ProgressBar1->setValue(0);
        return;
    }
    if (readOut.outcome == LoggerReadOut::Outcome::NoAnswer) {
        m_shell.setStatusText(readOut.answer);
        return;
    }

    // The boxes follow the measurement stored in the board, so that the
    // chart's axes fit the values.
    const LoggerConfiguration configuration =
        interpretLoggerConfiguration(readOut.cells[0], readOut.cells[1], readOut.cells[2]);
    {
        const QSignalBlocker blocker(ComboBox16);
        ComboBox16->setCurrentIndex(configuration.durationItem);
    }
    ComboBox16Change();
    {
        const QSignalBlocker blocker(ComboBox17);
        ComboBox17->setCurrentIndex(configuration.inputItem);
    }
    ComboBox17Change();

    // What arrived stays, also when the read-out failed on the way.
    m_values = readOut.values;
    Diagram1->Invalidate();
    switch (readOut.outcome) {
    case LoggerReadOut::Outcome::ReadTimeout:
        m_shell.setStatusText(kLoggerReadTimeoutText.toString());
        return;
    case LoggerReadOut::Outcome::TransferError:
        m_shell.setStatusText(kLoggerTransferErrorText.toString());
        return;
    default:
        break;
    }
    setMeasuredAt(zentor::measurementTimeNow());
    m_shell.setStatusText(kLoggerReadDoneText.toString());
    ProgressBar1->setValue(0);
}

void LoggerPage::followLink() {
    const bool linkFree = !Link::instance().commandRunning();
    Button12->setEnabled(linkFree && !Timer2.isActive());
    Button11->setEnabled(linkFree);
}

void LoggerPage::Diagram1Painted(QObject* /*Sender*/) {
    for (const LineSegment& line :
         loggerTrace(m_values, ComboBox17->currentIndex(), Diagram1->Xmax()))
        Diagram1->DrawLine(line.x1, line.y1, line.x2, line.y2);
}

QStringList LoggerPage::copyLines() const {
    return loggerExportText(m_values, ComboBox16->currentIndex()).split(QStringLiteral("\r\n"));
}
