#include "logger_page.h"

#include "board_commands.h"
#include "comphard.h"
#include "default_button.h"
#include "diagram.h"
#include "dialogs.h"
#include "measurement_file.h"
#include "measurement_pages.h"
#include "shell.h"
#include "text_export.h"
#include "ui_logger_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <string>

using namespace zentor;

namespace {

// The presence check's answer when the board is there.
constexpr const char* kHandshakeOk = "Ok";

// Resync and presence check before every exchange of the page. Returns the
// handshake's text: "Ok" or its failure text.
QString bringBoardIntoStep() {
    comphard::Resync();
    std::string answer;
    comphard::Handshake(answer);
    return QString::fromStdString(answer);
}

// ESC command operand; the board's two answer bytes are read by the caller.
void sendFrame(int command, int operand) {
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(command);
    comphard::WriteByte(operand);
}

} // namespace

LoggerPage::LoggerPage(Shell& shell, QTimer& timer2, const QTimer& recorderTimer, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::LoggerPageForm>()), m_shell(shell), Timer2(timer2),
      m_recorderTimer(recorderTimer) {
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
    connect(Button12, &QPushButton::clicked, this, &LoggerPage::Button12Click);
    connect(Button11, &QPushButton::clicked, this, &LoggerPage::Button11Click);
    connect(Diagram1, &TDiagram::OnPainted, this, &LoggerPage::Diagram1Painted);
    connect(&Timer2, &QTimer::timeout, this, &LoggerPage::Timer2Timer);
    zentor::installChartHover(*this, m_shell);
}

LoggerPage::~LoggerPage() = default;

void LoggerPage::keyPressEvent(QKeyEvent* event) {
    if (!zentor::pressDefaultButton(*event, *this, *Button12))
        QWidget::keyPressEvent(event);
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
    LoggerSeconds = zentor::loggerSeconds(durationItem);

    const QString answer = bringBoardIntoStep();
    if (answer != QLatin1String(kHandshakeOk)) {
        m_shell.setStatusText(answer);
        return;
    }

    // The board answers each frame with two bytes that say nothing about
    // the stored cell; they are read so that the next frame starts clean.
    for (const BoardFrame& frame : loggerConfigFrames(durationItem, ComboBox17->currentIndex())) {
        sendFrame(frame.command, frame.operand);
        comphard::ReadByte();
        comphard::ReadByte();
    }
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(board::kStartLogger);

    m_shell.setStatusText(kLoggerRunningText.toString());
    Timer2.start();
    Button12->setEnabled(false);
    ProgressBar1->setValue(0);
    comphard::StopwatchStart();
}

void LoggerPage::Timer2Timer() {
    // A tick that was already on its way when the countdown ended.
    if (!Timer2.isActive())
        return;

    const LoggerCountdown countdown = loggerCountdown(LoggerSeconds, comphard::StopwatchElapsed());
    m_shell.setStatusText(countdown.statusText);
    if (!countdown.finished)
        return;

    Timer2.stop();
    Button12->setEnabled(true);
    m_shell.repaintNow();
    // The board finishes its last sample and returns to command mode; what
    // it sent meanwhile is dropped.
    comphard::WaitMilliseconds(kLoggerSettleMs);
    comphard::PurgeInput();
    if (CheckBox1->isChecked())
        Button11Click();
}

void LoggerPage::Button11Click() {
    const QString answer = bringBoardIntoStep();
    // A running countdown ends here, whatever the board answered; the page
    // goes back to idle, so that a later start is possible again.
    Timer2.stop();
    Button12->setEnabled(true);
    if (answer != QLatin1String(kHandshakeOk)) {
        m_shell.setStatusText(answer);
        return;
    }

    comphard::PurgeInput();
    m_shell.setStatusText(kLoggerReadingText.toString());
    m_shell.repaintNow();

    int cells[kLoggerConfigCells];
    for (int cell = 0; cell < kLoggerConfigCells; ++cell) {
        sendFrame(board::kReadCell, cell);
        cells[cell] = comphard::ReadByte();
        comphard::ReadByte(); // the complement, not checked
    }

    // The boxes follow the measurement stored in the board, so that the
    // chart's axes fit the values about to arrive.
    const LoggerConfiguration configuration =
        interpretLoggerConfiguration(cells[0], cells[1], cells[2]);
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

    comphard::PurgeInput();
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(board::kReadMemory);

    LoggerDump dump(m_values);
    LoggerDump::Step step = LoggerDump::Step::More;
    while (step == LoggerDump::Step::More) {
        if (!comphard::AwaitInput()) {
            m_shell.setStatusText(kLoggerReadTimeoutText.toString());
            return;
        }
        step = dump.take(comphard::ReadByte());
        if (dump.nextCell() > kLoggerConfigCells) {
            // Values past the bar's maximum keep it full. Only the bar is
            // repainted here: processing events in the middle of the dump
            // could let another timer's exchange take bytes of it.
            ProgressBar1->setValue(std::min(dump.progress(), ProgressBar1->maximum()));
            ProgressBar1->repaint();
        }
    }
    if (step == LoggerDump::Step::Failed) {
        m_shell.setStatusText(kLoggerTransferErrorText.toString());
        return;
    }

    // The dump ends with the command's answer pair. When it is missing or
    // wrong, bytes were lost on the way and the last "values" are that
    // pair: the values read so far stay, but the read-out failed.
    const int echo = comphard::ReadByte();
    const int complement = comphard::ReadByte();
    Diagram1->Invalidate();
    if (echo != board::kReadMemory || !board::isAnswerPair(echo, complement)) {
        m_shell.setStatusText(kLoggerTransferErrorText.toString());
        return;
    }
    setMeasuredAt(zentor::measurementTimeNow());
    m_shell.setStatusText(kLoggerReadDoneText.toString());
    ProgressBar1->setValue(0);
}

void LoggerPage::Diagram1Painted(QObject* /*Sender*/) {
    for (const LineSegment& line :
         loggerTrace(m_values, ComboBox17->currentIndex(), Diagram1->Xmax()))
        Diagram1->DrawLine(line.x1, line.y1, line.x2, line.y2);
}

QStringList LoggerPage::copyLines() const {
    return loggerExportText(m_values, ComboBox16->currentIndex()).split(QStringLiteral("\r\n"));
}
