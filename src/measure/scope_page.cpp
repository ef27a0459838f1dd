#include "scope_page.h"

#include "board_commands.h"
#include "comphard.h"
#include "diagramm.h"
#include "measurement_file.h"
#include "measurement_pages.h"
#include "shell.h"
#include "text_export.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <string>

namespace {

const QColor kTeal(0, 128, 128);
const QColor kMediumGrey(160, 160, 164);

constexpr int kStripHeight = 34;

// The presence check's answer when the board is there.
constexpr const char* kHandshakeOk = "Ok";

bool s_boardBusy = false;

// Marks the page's exchange for its whole length, also on early returns.
class BusyScope {
public:
    BusyScope() { s_boardBusy = true; }
    ~BusyScope() { s_boardBusy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// The hourglass over the window from the moment it is shown until the
// handler returns, whichever way it returns.
class WaitCursor {
public:
    WaitCursor() = default;
    ~WaitCursor() {
        if (m_shown)
            QApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void show() {
        if (!m_shown)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        m_shown = true;
    }

private:
    bool m_shown = false;
};

} // namespace

bool ScopePage::boardBusy() {
    return s_boardBusy;
}

ScopePage::ScopePage(Shell& shell, QTimer& timerOszi, QWidget* parent)
    : QWidget(parent), OSZI(new TDiagramm(this)), RadioButton1(new QRadioButton(this)),
      RadioButton2(new QRadioButton(this)), RadioButton3(new QRadioButton(this)),
      RadioButton4(new QRadioButton(this)), RadioButton5(new QRadioButton(this)),
      Button14(new QPushButton(this)), RAMRead(new QPushButton(this)),
      CheckBox3(new QCheckBox(QStringLiteral("&Automatisch wiederholen"), this)),
      CheckBox4(new QCheckBox(this)), m_shell(shell), TimerOszi(timerOszi) {
    buildControls();

    connect(RadioButton1, &QRadioButton::clicked, this, &ScopePage::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &ScopePage::RadioButton2Click);
    connect(RadioButton3, &QRadioButton::clicked, this, &ScopePage::RadioButton3Click);
    connect(RadioButton4, &QRadioButton::clicked, this, &ScopePage::RadioButton4Click);
    connect(RadioButton5, &QRadioButton::clicked, this, &ScopePage::RadioButton5Click);
    connect(Button14, &QPushButton::clicked, this, [this] { Button14Click(Button14); });
    connect(RAMRead, &QPushButton::clicked, this, [this] { Button14Click(RAMRead); });
    connect(CheckBox4, &QCheckBox::toggled, this, &ScopePage::CheckBox4Click);
    connect(OSZI, &TDiagramm::OnPainted, this, &ScopePage::OSZIPainted);
    connect(&TimerOszi, &QTimer::timeout, this, &ScopePage::TimerOsziTimer);
    zentor::installChartHover(*this, m_shell);
}

void ScopePage::buildControls() {
    OSZI->setObjectName(QStringLiteral("OSZI"));
    OSZI->setColor(kTeal);
    OSZI->setColorGrid(kMediumGrey);
    OSZI->setColorText(Qt::white);
    OSZI->setColorPoint(kTeal);
    OSZI->setColorLine(Qt::white);
    OSZI->setSample(false);
    OSZI->setCaptionX(zentor::kScopeCaptionX.toString());
    OSZI->setCaptionY(QStringLiteral("Volt"));
    OSZI->setCaption(QStringLiteral("Titel"));
    OSZI->setXmax(zentor::scopeXmax(zentor::kScopeDefaultTimeBase));
    OSZI->setYmax(5);
    OSZI->setBorderLeft(50);
    OSZI->setBorderRight(30);
    OSZI->setBorderTop(30);
    OSZI->setBorderBottom(50);
    OSZI->setMarker({mtRaute});

    auto* group = new QButtonGroup(this);
    const auto radios = radioButtons();
    for (std::size_t i = 0; i < radios.size(); ++i) {
        radios[i]->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        radios[i]->setText(zentor::kScopeTimeBases[i].caption.toString());
        group->addButton(radios[i], static_cast<int>(i));
    }
    RadioButton1->setChecked(true);

    Button14->setObjectName(QStringLiteral("Button14"));
    Button14->setText(QStringLiteral("&Messen"));
    RAMRead->setObjectName(QStringLiteral("RAMRead"));
    RAMRead->setText(QStringLiteral("&RAM lesen"));
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    CheckBox3->setChecked(false);
    CheckBox4->setObjectName(QStringLiteral("CheckBox4"));
    CheckBox4->setText(QStringLiteral("Anzeige in &Volt"));
    CheckBox4->setChecked(true);

    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(8, 4, 8, 4);
    strip->setSpacing(6);
    auto* timeBases = new QHBoxLayout;
    timeBases->setSpacing(2);
    for (QRadioButton* radio : radios)
        timeBases->addWidget(radio);
    strip->addLayout(timeBases);
    strip->addSpacing(6);
    strip->addWidget(Button14);
    strip->addWidget(RAMRead);
    strip->addSpacing(6);
    strip->addWidget(CheckBox3);
    strip->addWidget(CheckBox4);
    strip->addStretch(1);

    auto* stripHolder = new QWidget(this);
    stripHolder->setFixedHeight(kStripHeight);
    stripHolder->setLayout(strip);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(OSZI, 1);
    page->addWidget(stripHolder);
}

std::array<QRadioButton*, 5> ScopePage::radioButtons() const {
    return {RadioButton1, RadioButton2, RadioButton3, RadioButton4, RadioButton5};
}

// ---- Time base -------------------------------------------------------------------

void ScopePage::selectTimeBase(int index, bool setCaptionX) {
    ScopeTimeBase = zentor::kScopeTimeBases[static_cast<std::size_t>(index)].factor;
    OSZI->setXmax(zentor::scopeXmax(ScopeTimeBase));
    if (setCaptionX)
        OSZI->setCaptionX(zentor::kScopeCaptionX.toString());
}

void ScopePage::RadioButton1Click() {
    selectTimeBase(0, true);
}
// The "20" button alone leaves the x caption as it is (empty after "&RAM lesen").
void ScopePage::RadioButton2Click() {
    selectTimeBase(1, false);
}
void ScopePage::RadioButton3Click() {
    selectTimeBase(2, true);
}
void ScopePage::RadioButton4Click() {
    selectTimeBase(3, true);
}
void ScopePage::RadioButton5Click() {
    selectTimeBase(4, true);
}

qint32 ScopePage::checkedTimeBase() const {
    const auto radios = radioButtons();
    for (std::size_t i = 0; i < radios.size(); ++i) {
        if (radios[i]->isChecked())
            return zentor::kScopeTimeBases[i].factor;
    }
    return zentor::kScopeDefaultTimeBase;
}

// ---- Capture and read ---------------------------------------------------------------

void ScopePage::Button14Click(QObject* Sender) {
    if (s_boardBusy) {
        // Re-entered from the event loop that the capture runs to show its
        // status (a TimerOszi tick during "&RAM lesen"): one exchange at a time.
        return;
    }
    BusyScope busy;
    WaitCursor hourglass;
    if (Sender == RAMRead) {
        prepareRamRead();
    } else {
        if (!prepareCapture())
            return;
        hourglass.show();
        orderCapture();
    }
    readSamples();
}

bool ScopePage::prepareCapture() {
    TimerOszi.stop();
    m_timerOsziTag = zentor::kScopeRepeatCapture;

    // The time base of the checked button: after "&RAM lesen" reset it to 1,
    // sending 1 would fill the chart's 100 × t ms with a 100 ms capture.
    ScopeTimeBase = checkedTimeBase();
    OSZI->setXmax(zentor::scopeXmax(ScopeTimeBase));
    if (CheckBox4->isChecked())
        OSZI->setCaptionY(QStringLiteral("Volt"));
    OSZI->setCaptionX(zentor::kScopeCaptionX.toString());
    OSZI->Invalidate();

    comphard::Resync();
    std::string answer;
    comphard::Handshake(answer);
    if (answer != kHandshakeOk) {
        m_shell.setStatusText(QString::fromStdString(answer));
        return false;
    }
    return true;
}

void ScopePage::orderCapture() {
    setButtonsEnabled(false);
    m_shell.setStatusText(zentor::kScopeBusyText.toString());
    m_shell.repaintNow();

    comphard::WaitMilliseconds(zentor::kScopeSettleMs);
    comphard::PurgeInput();
    // The answer pair (1, 254) is not examined: the read shows whether the
    // board took the capture.
    comphard::SendCommandWithOperand(2, board::kScopeCapture, ScopeTimeBase,
                                     board::kScopeCaptureAnswer);
    // The board needs 100 × t ms for the capture.
    comphard::WaitMilliseconds(zentor::scopeCaptureWaitMs(ScopeTimeBase));
    comphard::PurgeInput();
}

void ScopePage::prepareRamRead() {
    RadioButton1Click(); // time base 1; the checked button stays as it is
    m_timerOsziTag = zentor::kScopeRepeatRamRead;
    OSZI->setCaptionY(QString());
    OSZI->setCaptionX(QString());
    OSZI->setYmax(zentor::kRawYAxis.ymax);
    OSZI->setYdiv(zentor::kRawYAxis.ydiv);
    OSZI->setXmax(zentor::scopeXmax(zentor::kScopeDefaultTimeBase));
    CheckBox4->setChecked(false); // runs CheckBox4Click when it was checked
    setButtonsEnabled(false);
    OSZI->Invalidate();
}

void ScopePage::readSamples() {
    comphard::PurgeInput();
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(board::kScopeRead);

    const zentor::ScopeValues before = ScopeValues;
    for (int i = 0; i < zentor::kScopeSampleCount; ++i) {
        if (!comphard::AwaitInput()) {
            // The samples read so far stay; the repetition is not re-armed.
            setButtonsEnabled(true);
            m_shell.setStatusText(zentor::kScopeReadTimeoutText.toString());
            return;
        }
        const int value = comphard::ReadByte();
        ScopeValues[static_cast<std::size_t>(i)] = value;
        if (value == -1) {
            setButtonsEnabled(true);
            m_shell.setStatusText(zentor::kScopeReadErrorText.toString());
            return;
        }
    }
    const int echo = comphard::ReadByte();
    const int complement = comphard::ReadByte();
    if (!zentor::scopeDumpClosed(echo, complement)) {
        // A short capture is no measurement: the last one stays on the chart.
        ScopeValues = before;
        setButtonsEnabled(true);
        m_shell.setStatusText(zentor::kScopeReadTimeoutText.toString());
        return;
    }
    setMeasuredAt(zentor::measurementTimeNow());

    // Draw at once: the picture is rebuilt now with the axes of this read
    // and the samples, rather than drawn over the axes of the last paint.
    OSZI->Repaint();

    setButtonsEnabled(true);
    m_shell.setStatusText(zentor::kScopeDoneText.toString());
    if (CheckBox3->isChecked()) {
        TimerOszi.setInterval(zentor::kScopeRepeatMs);
        if (!TimerOszi.isActive())
            TimerOszi.start();
    } else {
        TimerOszi.stop();
    }
}

void ScopePage::setButtonsEnabled(bool on) {
    Button14->setEnabled(on);
    RAMRead->setEnabled(on);
}

void ScopePage::TimerOsziTimer() {
    if (!CheckBox3->isChecked())
        return;
    Button14Click(m_timerOsziTag == zentor::kScopeRepeatRamRead ? RAMRead : Button14);
}

// ---- Drawing -------------------------------------------------------------------------

void ScopePage::OSZIPainted(QObject* /*Sender*/) {
    const auto lines = zentor::scopeTrace(ScopeValues, OSZI->Xmax(), CheckBox4->isChecked());
    for (const zentor::LineSegment& line : lines) {
        OSZI->DrawLine(line.x1, line.y1, line.x2, line.y2);
        emit lineDrawn(line);
    }
}

void ScopePage::CheckBox4Click() {
    const zentor::ChartYAxis axis = zentor::scopeYAxis(CheckBox4->isChecked());
    OSZI->setTyp(XLinYLin);
    OSZI->setYmin(axis.ymin);
    OSZI->setYmax(axis.ymax);
    OSZI->setYdiv(axis.ydiv);
    OSZI->setCaptionY(axis.captionY.toString());
    OSZI->Invalidate();
}

QStringList ScopePage::copyLines() const {
    return zentor::scopeExportText(ScopeValues, ScopeTimeBase)
        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}
