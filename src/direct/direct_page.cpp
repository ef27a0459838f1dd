#include "direct_page.h"

#include "amadvled.h"
#include "amm.h"
#include "board_commands.h"
#include "comphard.h"
#include "connection.h"
#include "conversion.h"
#include "direct_exchange.h"
#include "link.h"
#include "shell.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>

using zentor::Connection;
using zentor::ConnectJob;
using zentor::Link;
using zentor::direct::AnswerPair;
using zentor::direct::PollResult;
using zentor::direct::ReconnectResult;

namespace {

// ---- Texts ---------------------------------------------------------------

const QString kReconnecting = QStringLiteral("Schnittstelle wird geöffnet ...");
const QString kOffline = QStringLiteral("Offline");
const QString kStoppedProgram =
    QStringLiteral("Das laufende Programm wurde gestoppt: Direkt braucht die Platine.");
constexpr qint64 kStoppedProgramNoticeMs = 5000;
const QString kTitlePrefix = QStringLiteral("Zentor ");
const QString kPwmOk = QStringLiteral("Ok");
const QString kPwmFailed = QStringLiteral("Fehler");

// The meter's two views: volts, or the raw reading 0..255.
struct MeterView {
    int minor;
    const char* scale;
    const char* caption;
};
constexpr MeterView kVoltView{4, "0;1;2;3;4;5", "Volt"};
constexpr MeterView kRawView{6, "0;64;128;192;256", "Wert"};
constexpr int kMeterMax = 255;

// LEDs are grey while off.
const QColor kLedOffColor(128, 128, 128);

// ---- Geometry (pixels) ---------------------------------------------------

constexpr int kPanelWidth = 761;
constexpr int kPanelHeight = 468;
constexpr int kBevel = 1;
constexpr int kMeterWidth = 759;
constexpr int kMeterHeight = 335;
constexpr int kIoHeight = 131;

// Inside the bottom panel: the six bit columns, column "0" on the right.
constexpr int kColumnZeroX = 131;
constexpr int kColumnSpacing = 16;
constexpr int kRowLabelX = 9;
constexpr int kDinRowY = 12;
constexpr int kPortRowY = 36;
constexpr int kDirectionRowY = 57;
constexpr int kOutputRowY = 81;
constexpr int kColumnLabelY = 99;
constexpr int kCheckBoxHeight = 17;
constexpr int kColumnLabelHeight = 14;

constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 20;
constexpr int kPwmRowY = 56;
constexpr int kButton7X = 208;
constexpr int kScrollBarX = 280;
constexpr int kScrollBarWidth = 313;
constexpr int kButton8X = 600;
constexpr int kButton3X = 672;
constexpr int kPwmCaptionX = 400;
constexpr int kLabelPwmX = 440;
constexpr int kLabelY = 82;
constexpr int kLabelPwmWidth = 40;

// ---- PWM scroll bar ------------------------------------------------------

constexpr int kPwmMin = 0;
constexpr int kPwmMax = 255;
constexpr int kPwmLargeStep = 10;

constexpr int kBits = 6;
constexpr int bitMask(int bit) {
    return 1 << bit;
}
constexpr int columnX(int bit) {
    return kColumnZeroX - bit * kColumnSpacing;
}

// The sum of the bit values of the checked boxes (index = bit).
int checkedBits(const std::array<QCheckBox*, kBits>& boxes) {
    int sum = 0;
    for (int bit = 0; bit < kBits; ++bit)
        if (boxes[bit]->isChecked())
            sum += bitMask(bit);
    return sum;
}

// A complete pair becomes the last valid reading; anything else shows the
// last valid reading again.
int acceptReading(const AnswerPair& answer, int& lastValid) {
    if (board::isAnswerPair(answer.first, answer.second))
        lastValid = answer.first;
    return lastValid;
}

// The scroll notification of a slider action; a drag or the wheel tracks.
int scrollCodeOf(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        return DirectPage::scLineDown;
    case QAbstractSlider::SliderSingleStepSub:
        return DirectPage::scLineUp;
    case QAbstractSlider::SliderPageStepAdd:
        return DirectPage::scPageDown;
    case QAbstractSlider::SliderPageStepSub:
        return DirectPage::scPageUp;
    case QAbstractSlider::SliderToMinimum:
        return DirectPage::scTop;
    case QAbstractSlider::SliderToMaximum:
        return DirectPage::scBottom;
    default:
        return DirectPage::scTrack;
    }
}

QLabel* makeLabel(const QString& text, int x, int y, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void showMeterView(TAnal& meter, const MeterView& view) {
    meter.setMinor(view.minor);
    meter.setScale(QString::fromLatin1(view.scale));
    meter.setCaption(QString::fromLatin1(view.caption));
}

} // namespace

DirectPage::DirectPage(Shell& shell, QTimer& timer1, QWidget* parent)
    : QWidget(parent), m_shell(shell), Timer1(timer1) {
    createControls();
    connect(&Timer1, &QTimer::timeout, this, &DirectPage::Timer1Timer);
    Link& link = Link::instance();
    enableExchangeControls(!link.commandRunning());
    connect(&link, &Link::commandsRunningChanged, this,
            [this](bool running) { enableExchangeControls(!running); });
}

void DirectPage::createControls() {
    PanelDirekt = new QFrame(this);
    PanelDirekt->setObjectName(QStringLiteral("PanelDirekt"));
    PanelDirekt->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelDirekt->setLineWidth(kBevel);
    PanelDirekt->setGeometry(0, 0, kPanelWidth, kPanelHeight);

    Anal1 = new TAnal(PanelDirekt);
    Anal1->setObjectName(QStringLiteral("Anal1"));
    Anal1->setGeometry(kBevel, kBevel, kMeterWidth, kMeterHeight);
    Anal1->setMax(kMeterMax);
    showMeterView(*Anal1, kVoltView);
    Anal1->setValue(0);
    connect(Anal1, &TAnal::OnClick, this, &DirectPage::Anal1Click);

    PanelIO = new QFrame(PanelDirekt);
    PanelIO->setObjectName(QStringLiteral("PanelIO"));
    PanelIO->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PanelIO->setLineWidth(kBevel);
    PanelIO->setGeometry(kBevel, kBevel + kMeterHeight, kMeterWidth, kIoHeight);

    auto makeLed = [this](const char* name, int x, int y) {
        auto* led = new TAMAdvLed(PanelIO);
        led->setObjectName(QString::fromLatin1(name));
        led->setLedType(TAMAdvLed::ltSquare);
        led->setColorOff(kLedOffColor);
        led->move(x, y);
        return led;
    };
    // The digital input is bit 0, so its LED stands in column "0".
    makeLabel(QStringLiteral("Din"), kRowLabelX, kDinRowY, PanelIO);
    AMAdvLed1 = makeLed("AMAdvLed1", columnX(0), kDinRowY);
    AMAdvLed1->setProperty("tag", bitMask(0));

    makeLabel(QStringLiteral("Ports"), kRowLabelX, kPortRowY, PanelIO);
    AMAdvLed32 = makeLed("AMAdvLed32", columnX(5), kPortRowY);
    AMAdvLed16 = makeLed("AMAdvLed16", columnX(4), kPortRowY);
    AMAdvLed08 = makeLed("AMAdvLed08", columnX(3), kPortRowY);
    AMAdvLed04 = makeLed("AMAdvLed04", columnX(2), kPortRowY);
    AMAdvLed02 = makeLed("AMAdvLed02", columnX(1), kPortRowY);
    AMAdvLed01 = makeLed("AMAdvLed01", columnX(0), kPortRowY);
    m_portLeds = {AMAdvLed01, AMAdvLed02, AMAdvLed04, AMAdvLed08, AMAdvLed16, AMAdvLed32};
    for (int bit = 0; bit < kBits; ++bit)
        m_portLeds[bit]->setProperty("tag", bitMask(bit));

    // A box without caption is as wide as its indicator; the boxes of
    // column "5" carry the row caption to the left of the indicator, which
    // stays in the column.
    const int indicator =
        std::max(style()->pixelMetric(QStyle::PM_IndicatorWidth), TAMAdvLed::kSize);
    auto makeBox = [&](const QString& name, int bit, int y, const QString& rowCaption) {
        auto* box = new QCheckBox(PanelIO);
        box->setObjectName(name);
        box->setProperty("tag", bitMask(bit));
        if (rowCaption.isEmpty()) {
            box->setGeometry(columnX(bit), y, indicator, kCheckBoxHeight);
        } else {
            box->setText(rowCaption);
            box->setLayoutDirection(Qt::RightToLeft);
            // The caption starts at the row labels' x, or further left when
            // the font needs the room.
            const int right = columnX(bit) + indicator;
            const int left = std::max(0, std::min(kRowLabelX, right - box->sizeHint().width()));
            box->setGeometry(left, y, right - left, kCheckBoxHeight);
        }
        connect(box, &QCheckBox::clicked, this, &DirectPage::o1Click);
        return box;
    };
    // Created left to right, so that the tab order runs with the columns.
    d6 = makeBox(QStringLiteral("d6"), 5, kDirectionRowY, QStringLiteral("Pdir"));
    d5 = makeBox(QStringLiteral("d5"), 4, kDirectionRowY, {});
    d4 = makeBox(QStringLiteral("d4"), 3, kDirectionRowY, {});
    d3 = makeBox(QStringLiteral("d3"), 2, kDirectionRowY, {});
    d2 = makeBox(QStringLiteral("d2"), 1, kDirectionRowY, {});
    d1 = makeBox(QStringLiteral("d1"), 0, kDirectionRowY, {});
    o6 = makeBox(QStringLiteral("o6"), 5, kOutputRowY, QStringLiteral("Portout"));
    o5 = makeBox(QStringLiteral("o5"), 4, kOutputRowY, {});
    o4 = makeBox(QStringLiteral("o4"), 3, kOutputRowY, {});
    o3 = makeBox(QStringLiteral("o3"), 2, kOutputRowY, {});
    o2 = makeBox(QStringLiteral("o2"), 1, kOutputRowY, {});
    o1 = makeBox(QStringLiteral("o1"), 0, kOutputRowY, {});
    m_directionBoxes = {d1, d2, d3, d4, d5, d6};
    m_outputBoxes = {o1, o2, o3, o4, o5, o6};

    for (int bit = kBits - 1; bit >= 0; --bit) {
        auto* label = new QLabel(QString::number(bit), PanelIO);
        label->setObjectName(QStringLiteral("LabelBit%1").arg(bit));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setGeometry(columnX(bit), kColumnLabelY, TAMAdvLed::kSize, kColumnLabelHeight);
    }

    auto makeButton = [this](const char* name, const QString& caption, const QString& hint, int x) {
        auto* button = new QPushButton(caption, PanelIO);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(hint);
        button->setGeometry(x, kPwmRowY, kButtonWidth, kButtonHeight);
        return button;
    };
    Button7 = makeButton("Button7", QStringLiteral("PWM = &0"),
                         QStringLiteral("Schaltet den Ausgang auf 0 Volt"), kButton7X);

    ScrollBarPWM = new QScrollBar(Qt::Horizontal, PanelIO);
    ScrollBarPWM->setObjectName(QStringLiteral("ScrollBarPWM"));
    ScrollBarPWM->setRange(kPwmMin, kPwmMax);
    ScrollBarPWM->setSingleStep(1);
    ScrollBarPWM->setPageStep(kPwmLargeStep);
    ScrollBarPWM->setValue(kPwmMin);
    ScrollBarPWM->setGeometry(kScrollBarX, kPwmRowY, kScrollBarWidth, kButtonHeight);
    // In the tab order, for the arrows, Page Up/Down, Home and End.
    ScrollBarPWM->setFocusPolicy(Qt::StrongFocus);

    Button8 = makeButton("Button8", QStringLiteral("PWM = &255"),
                         QStringLiteral("Schaltet den Ausgang an"), kButton8X);
    Button3 = makeButton("Button3", QStringLiteral("&Beep"), QStringLiteral("Gibt einen Ton aus"),
                         kButton3X);

    makeLabel(QStringLiteral("PWM"), kPwmCaptionX, kLabelY, PanelIO);
    LabelPWM = makeLabel(QString::number(kPwmMin), kLabelPwmX, kLabelY, PanelIO);
    LabelPWM->setObjectName(QStringLiteral("LabelPWM"));
    LabelPWM->resize(kLabelPwmWidth, LabelPWM->height());

    // A scroll action reports the position it leads to before the bar takes
    // it on; letting go of the thumb reports the final position once more.
    connect(ScrollBarPWM, &QAbstractSlider::actionTriggered, this, [this](int action) {
        ScrollBarPWMScroll(scrollCodeOf(action), ScrollBarPWM->sliderPosition());
    });
    connect(ScrollBarPWM, &QAbstractSlider::sliderReleased, this,
            [this] { ScrollBarPWMScroll(scPosition, ScrollBarPWM->sliderPosition()); });
    connect(ScrollBarPWM, &QAbstractSlider::valueChanged, this, &DirectPage::ScrollBarPWMChange);

    connect(Button7, &QPushButton::clicked, this, &DirectPage::Button7Click);
    connect(Button8, &QPushButton::clicked, this, &DirectPage::Button8Click);
    connect(Button3, &QPushButton::clicked, this, &DirectPage::Button3Click);
}

void DirectPage::enableExchangeControls(bool enabled) {
    QWidget* const focused = QApplication::focusWidget();
    bool hadFocus = false;
    for (QWidget* control : std::initializer_list<QWidget*>{d1, d2, d3, d4, d5, d6, o1, o2, o3, o4,
                                                            o5, o6, Button7, Button8, Button3}) {
        hadFocus = hadFocus || control == focused;
        control->setEnabled(enabled);
    }
    // Greying the focused control moves the focus on; it comes back when the
    // command ends, unless the user has moved it meanwhile. A second key
    // press then reaches the same box, not its neighbour.
    if (!enabled) {
        if (hadFocus) {
            m_focusBeforeCommand = focused;
            m_focusDuringCommand = QApplication::focusWidget();
        }
        return;
    }
    if (m_focusBeforeCommand && QApplication::focusWidget() == m_focusDuringCommand)
        m_focusBeforeCommand->setFocus(Qt::OtherFocusReason);
    m_focusBeforeCommand = nullptr;
    m_focusDuringCommand = nullptr;
}

void DirectPage::setPollInterval(int milliseconds) {
    // The window sets the interval when the page is shown again; a cycle
    // started before that leaves the new state alone.
    if (Timer1.interval() != m_cycleInterval)
        return;
    if (Timer1.interval() != milliseconds)
        Timer1.setInterval(milliseconds);
}

void DirectPage::Timer1Timer() {
    // The previous cycle still runs: skip this tick. (Another page's
    // exchange, a recording's reading say, only delays the cycle: it queues
    // behind it.)
    if (m_cycleRunning)
        return;
    m_cycleRunning = true;
    m_cycleClock.start();
    m_cycleInterval = Timer1.interval();

    if (m_cycleInterval == kOfflineInterval) {
        m_shell.setStatusReading(kReconnecting); // every second while offline
        const ConnectJob job = Connection::instance().configuredJob();
        Link::instance()
            .run([job] { return zentor::direct::reconnectAndPoll(job); }, Link::Kind::Background)
            .then(this, [this, job](const ReconnectResult& result) {
                Connection::instance().reportConnected(job, result.connected);
                showReadings(result.readings);
            });
        return;
    }
    const bool entering = m_cycleInterval == kEnteringInterval;
    const int maxTimeout = m_shell.maxTimeout();
    Link::instance()
        .run([entering, maxTimeout] { return zentor::direct::poll(entering, maxTimeout); },
             Link::Kind::Poll)
        .then(this, [this](const PollResult& readings) { showReadings(readings); });
}

void DirectPage::showReadings(const PollResult& readings) {
    m_cycleRunning = false;
    // A cycle that outlasts the interval (a reconnect takes seconds) would
    // find the next tick overdue and start again at once: the next tick then
    // comes one interval after the result arrived. Shorter cycles keep the
    // timer's rhythm.
    const auto restartWhenOverdue = qScopeGuard([this] {
        if (Timer1.isActive() && m_cycleClock.elapsed() >= Timer1.interval())
            Timer1.start();
    });
    if (!readings.polled)
        return;
    if (readings.stoppedProgram)
        m_stoppedProgramNotice.start();
    if (readings.silent()) {
        setPollInterval(kOfflineInterval);
        m_shell.setStatusText(kOffline);
        Anal1->setValue(0);
        return;
    }
    setPollInterval(kPollingInterval);
    const int reading = acceptReading(readings.analog, m_lastAnalog);
    Anal1->setValue(reading);
    const QString voltage = zentor::ConvertReading(zentor::kChannelVoltage, reading).text;
    // The page's first resync ended a program that ran on the board: the
    // status bar says so for a while before the readings take it over.
    const bool noticeShown = m_stoppedProgramNotice.isValid() &&
                             m_stoppedProgramNotice.elapsed() < kStoppedProgramNoticeMs;
    // The voltage is heard from the meter, not at every poll.
    if (noticeShown)
        m_shell.setStatusText(kStoppedProgram);
    else
        m_shell.setStatusReading(voltage);
    m_shell.setApplicationTitle(kTitlePrefix + voltage);

    const int port = acceptReading(readings.port, m_lastPortIn);
    for (TAMAdvLed* led : m_portLeds)
        led->setLedOn((port & led->property("tag").toInt()) != 0);

    const int din = acceptReading(readings.din, m_lastDin);
    AMAdvLed1->setLedOn((din & 1) != 0);
}

void DirectPage::o1Click() {
    const int out = checkedBits(m_outputBoxes);
    const int dir = checkedBits(m_directionBoxes);
    Link::instance().run([out, dir] { zentor::direct::sendPortBits(out, dir); });
}

void DirectPage::sendPwm(int value) {
    LabelPWM->setText(QString::number(value));
    // A drag or a held arrow key moves the bar faster than the board takes
    // PWM commands (some 60 ms each). While one is on the line the later
    // positions are not queued one by one: only the newest waits, and goes
    // out when the running command ends. The board thus always ends at the
    // bar's final position without working off positions long passed.
    if (m_pwmSending) {
        m_pwmWaiting = value;
        return;
    }
    m_pwmSending = true;
    Link::instance()
        .run([value] { return zentor::direct::sendPwm(value); })
        .then(this, [this](bool ok) {
            m_pwmSending = false;
            m_shell.setStatusText(ok ? kPwmOk : kPwmFailed);
            if (m_pwmWaiting) {
                const int newest = *m_pwmWaiting;
                m_pwmWaiting.reset();
                sendPwm(newest);
            }
        });
}

void DirectPage::ScrollBarPWMScroll(int /*scrollCode*/, int scrollPos) {
    sendPwm(scrollPos);
}

void DirectPage::ScrollBarPWMChange() {
    sendPwm(ScrollBarPWM->value());
}

void DirectPage::Button7Click() {
    Link::instance().run([] { comphard::OutOff(); }).then(this, [this] {
        ScrollBarPWM->setValue(ScrollBarPWM->minimum());
    });
}

void DirectPage::Button8Click() {
    Link::instance().run([] { comphard::OutOn(); }).then(this, [this] {
        ScrollBarPWM->setValue(ScrollBarPWM->maximum());
    });
}

void DirectPage::Button3Click() {
    Link::instance().run([] { comphard::Beep(); });
}

void DirectPage::Anal1Click() {
    showMeterView(*Anal1, Anal1->Minor() == kRawView.minor ? kVoltView : kRawView);
}
