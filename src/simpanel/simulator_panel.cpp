#include "simulator_panel.h"

#include "amadvled.h"
#include "simulated_board.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace sp = zentor::simpanel;
using zentor::sim::BoardSnapshot;
using zentor::sim::InputOverrides;
using zentor::sim::LedState;

namespace {

constexpr int kPins = 6;
constexpr int kPinMask = (1 << kPins) - 1;
constexpr int kAnalogMax = 255;
constexpr int kPwmMax = 255;
constexpr int kListingMinWidth = 210;
const QColor kLampOffColor(128, 128, 128);
const QColor kRedOn(255, 0, 0);
const QColor kRedOff(128, 0, 0);
const QColor kYellowOn(255, 255, 0);
const QColor kFlashColor(255, 230, 90);
const QColor kMarkColor(255, 255, 160);
const QString kMarker = QStringLiteral("▶ ");
const QString kNoMarker = QStringLiteral("  ");

const std::array<const char*, 4> kRegisterNames{"A", "B", "C", "D"};

bool bit(int value, int n) {
    return (value >> n & 1) != 0;
}

// The listing row as the panel shows it: a marker column, the address of an
// instruction row, then the listing line with its tab opened up.
QString rowText(const sp::ListingView& view, int row, bool marked) {
    const int address = view.addresses[static_cast<std::size_t>(row)];
    QString line = view.listing[row];
    if (address >= 0)
        line = sp::hexText(address) + QStringLiteral("   ") + line.mid(1);
    return (marked ? kMarker : kNoMarker) + line;
}

} // namespace

SimulatorPanel::SimulatorPanel(BoardSource board, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_board(std::move(board)),
      m_beepHandler([] { QApplication::beep(); }) {
    setObjectName(QStringLiteral("SimulatorPanel"));
    setWindowTitle(QStringLiteral("Simulator-Tafel"));
    createControls();
    m_clock.start();

    m_refreshTimer.setInterval(kRefreshInterval);
    connect(&m_refreshTimer, &QTimer::timeout, this, &SimulatorPanel::refresh);
    m_flashTimer.setSingleShot(true);
    m_flashTimer.setInterval(kFlashMillis);
    connect(&m_flashTimer, &QTimer::timeout, this, [this] { setFlash(false); });

    refresh();
}

void SimulatorPanel::createControls() {
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto label = [](const QString& text, QWidget* parent) { return new QLabel(text, parent); };
    auto lamp = [](QWidget* parent, const char* name, const QColor& on, const QColor& off) {
        auto* led = new TAMAdvLed(parent);
        led->setObjectName(QString::fromLatin1(name));
        led->setColorOn(on);
        led->setColorOff(off);
        return led;
    };

    // Inputs.
    GroupInputs = new QGroupBox(QStringLiteral("Eingänge"), this);
    auto* inputs = new QGridLayout(GroupInputs);
    inputs->addWidget(label(QStringLiteral("Analog"), GroupInputs), 0, 0);
    AnalogSlider = new QSlider(Qt::Horizontal, GroupInputs);
    AnalogSlider->setObjectName(QStringLiteral("AnalogSlider"));
    AnalogSlider->setRange(0, kAnalogMax);
    AnalogSlider->setPageStep(kAnalogMax / 10);
    AnalogSlider->setToolTip(QStringLiteral("Spannung am Analogeingang (0 bis 5 Volt)"));
    inputs->addWidget(AnalogSlider, 0, 1, 1, kPins);
    AnalogLabel = label(QString(), GroupInputs);
    AnalogLabel->setObjectName(QStringLiteral("AnalogLabel"));
    AnalogLabel->setMinimumWidth(AnalogLabel->fontMetrics().horizontalAdvance(
        sp::voltsText(kAnalogMax) + QStringLiteral("  ")));
    inputs->addWidget(AnalogLabel, 0, kPins + 1);
    AnalogSignal = new QCheckBox(QStringLiteral("Signal"), GroupInputs);
    AnalogSignal->setObjectName(QStringLiteral("AnalogSignal"));
    AnalogSignal->setToolTip(QStringLiteral("Der Simulator gibt eine Sinusspannung vor"));
    inputs->addWidget(AnalogSignal, 0, kPins + 2);

    inputs->addWidget(label(QStringLiteral("Digital"), GroupInputs), 1, 0);
    DigitalSwitch = new QCheckBox(QStringLiteral("Din"), GroupInputs);
    DigitalSwitch->setObjectName(QStringLiteral("DigitalSwitch"));
    DigitalSwitch->setToolTip(QStringLiteral("Digitaleingang ein- und ausschalten"));
    inputs->addWidget(DigitalSwitch, 1, 1, 1, 2);
    DigitalSignal = new QCheckBox(QStringLiteral("Signal"), GroupInputs);
    DigitalSignal->setObjectName(QStringLiteral("DigitalSignal"));
    DigitalSignal->setToolTip(QStringLiteral("Der Simulator gibt einen Takt von 1 Hz vor"));
    inputs->addWidget(DigitalSignal, 1, kPins + 2);

    inputs->addWidget(label(QStringLiteral("Port"), GroupInputs), 2, 0);
    for (int n = kPins - 1; n >= 0; --n) {
        auto* pin = new QCheckBox(QString::number(n), GroupInputs);
        pin->setObjectName(QStringLiteral("PinSwitch%1").arg(n));
        pin->setToolTip(QStringLiteral("Porteingang %1").arg(n));
        inputs->addWidget(pin, 2, kPins - n);
        PinSwitches[static_cast<std::size_t>(n)] = pin;
        connect(pin, &QCheckBox::clicked, this, &SimulatorPanel::pinClicked);
    }
    PinSignal = new QCheckBox(QStringLiteral("Signal"), GroupInputs);
    PinSignal->setObjectName(QStringLiteral("PinSignal"));
    PinSignal->setToolTip(QStringLiteral("Der Simulator zählt an den Eingängen binär hoch"));
    inputs->addWidget(PinSignal, 2, kPins + 2);

    connect(AnalogSlider, &QSlider::valueChanged, this, &SimulatorPanel::analogChanged);
    connect(AnalogSignal, &QCheckBox::clicked, this, &SimulatorPanel::analogSignalClicked);
    connect(DigitalSwitch, &QCheckBox::clicked, this, &SimulatorPanel::digitalClicked);
    connect(DigitalSignal, &QCheckBox::clicked, this, &SimulatorPanel::digitalSignalClicked);
    connect(PinSignal, &QCheckBox::clicked, this, &SimulatorPanel::pinSignalClicked);

    // Outputs.
    GroupOutputs = new QGroupBox(QStringLiteral("Ausgänge"), this);
    auto* outputs = new QGridLayout(GroupOutputs);
    auto* lamps = new QHBoxLayout;
    OutLed = lamp(GroupOutputs, "OutLed", kYellowOn, kLampOffColor);
    LedLed = lamp(GroupOutputs, "LedLed", kRedOn, kRedOff);
    BeepLed = lamp(GroupOutputs, "BeepLed", kYellowOn, kLampOffColor);
    for (auto [text, led] :
         {std::pair{QStringLiteral("Out"), OutLed}, std::pair{QStringLiteral("LED"), LedLed},
          std::pair{QStringLiteral("Beep"), BeepLed}}) {
        lamps->addWidget(led);
        lamps->addWidget(label(text, GroupOutputs));
        lamps->addSpacing(fontMetrics().horizontalAdvance(u'M'));
    }
    lamps->addStretch(1);
    outputs->addLayout(lamps, 0, 0, 1, kPins + 2);

    outputs->addWidget(label(QStringLiteral("PWM"), GroupOutputs), 1, 0);
    PwmBar = new QProgressBar(GroupOutputs);
    PwmBar->setObjectName(QStringLiteral("PwmBar"));
    PwmBar->setRange(0, kPwmMax);
    PwmBar->setTextVisible(false);
    PwmBar->setValue(0);
    outputs->addWidget(PwmBar, 1, 1, 1, kPins + 1);
    PwmLabel = label(QStringLiteral("0"), GroupOutputs);
    PwmLabel->setObjectName(QStringLiteral("PwmLabel"));
    PwmLabel->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("2550")));
    PwmLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    outputs->addWidget(PwmLabel, 1, kPins + 2);

    outputs->addWidget(label(QStringLiteral("Port"), GroupOutputs), 2, 0);
    for (int n = kPins - 1; n >= 0; --n) {
        auto* cell = new QHBoxLayout;
        auto* led = new TAMAdvLed(GroupOutputs);
        led->setObjectName(QStringLiteral("PinLed%1").arg(n));
        led->setLedType(TAMAdvLed::ltSquare);
        led->setColorOff(kLampOffColor);
        cell->addWidget(led);
        cell->addWidget(label(QString::number(n), GroupOutputs));
        cell->addStretch(1);
        outputs->addLayout(cell, 2, kPins - n);
        PinLeds[static_cast<std::size_t>(n)] = led;
    }
    outputs->setColumnStretch(kPins + 1, 1);

    // Registers.
    GroupRegisters = new QGroupBox(QStringLiteral("Register"), this);
    auto* registers = new QGridLayout(GroupRegisters);
    registers->addWidget(label(QStringLiteral("dez"), GroupRegisters), 0, 1, Qt::AlignRight);
    registers->addWidget(label(QStringLiteral("hex"), GroupRegisters), 0, 2, Qt::AlignRight);
    auto valueLabel = [&](const QString& name) {
        auto* l = label(QString(), GroupRegisters);
        l->setObjectName(name);
        l->setFont(fixed);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QStringLiteral("$0000")));
        return l;
    };
    // A to D stand in the first columns, the program counter and the stack
    // beside them.
    for (std::size_t r = 0; r < kRegisterNames.size(); ++r) {
        const QString name = QString::fromLatin1(kRegisterNames[r]);
        const int row = static_cast<int>(r) + 1;
        registers->addWidget(label(name, GroupRegisters), row, 0);
        RegisterDecimal[r] = valueLabel(QStringLiteral("RegisterDecimal") + name);
        RegisterHex[r] = valueLabel(QStringLiteral("RegisterHex") + name);
        registers->addWidget(RegisterDecimal[r], row, 1);
        registers->addWidget(RegisterHex[r], row, 2);
    }
    registers->setColumnMinimumWidth(3, fontMetrics().horizontalAdvance(QStringLiteral("MMM")));
    registers->addWidget(label(QStringLiteral("dez"), GroupRegisters), 0, 5, Qt::AlignRight);
    registers->addWidget(label(QStringLiteral("hex"), GroupRegisters), 0, 6, Qt::AlignRight);
    registers->addWidget(label(QStringLiteral("PC"), GroupRegisters), 1, 4);
    PcDecimal = valueLabel(QStringLiteral("PcDecimal"));
    PcHex = valueLabel(QStringLiteral("PcHex"));
    registers->addWidget(PcDecimal, 1, 5);
    registers->addWidget(PcHex, 1, 6);
    registers->addWidget(label(QStringLiteral("Stapel"), GroupRegisters), 2, 4);
    StackLabel = valueLabel(QStringLiteral("StackLabel"));
    registers->addWidget(StackLabel, 2, 5);
    registers->setColumnStretch(7, 1);

    // Program.
    GroupProgram = new QGroupBox(QStringLiteral("Programm"), this);
    auto* program = new QVBoxLayout(GroupProgram);
    StateLabel = label(QString(), GroupProgram);
    StateLabel->setObjectName(QStringLiteral("StateLabel"));
    StateLabel->setWordWrap(true);
    QFont bold = StateLabel->font();
    bold.setBold(true);
    StateLabel->setFont(bold);
    program->addWidget(StateLabel);

    program->addWidget(label(QStringLiteral("Nächster Befehl:"), GroupProgram));
    NextLabel = label(QString(), GroupProgram);
    NextLabel->setObjectName(QStringLiteral("NextLabel"));
    NextLabel->setFont(fixed);
    NextLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    program->addWidget(NextLabel);

    ListingList = new QListWidget(GroupProgram);
    ListingList->setObjectName(QStringLiteral("ListingList"));
    ListingList->setFont(fixed);
    ListingList->setSelectionMode(QAbstractItemView::NoSelection);
    ListingList->setFocusPolicy(Qt::NoFocus);
    ListingList->setMinimumWidth(kListingMinWidth);
    program->addWidget(ListingList, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, const char* name, const QString& hint) {
        auto* b = new QPushButton(text, GroupProgram);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        buttons->addWidget(b);
        return b;
    };
    // Alt+A is the main window's "&Anschluss", which reaches this tool
    // window too.
    PauseButton = button(QStringLiteral("An&halten"), "PauseButton",
                         QStringLiteral("Hält das Programm des Simulators an"));
    StepButton = button(QStringLiteral("&Schritt"), "StepButton",
                        QStringLiteral("Führt den nächsten Befehl aus"));
    ResumeButton = button(QStringLiteral("&Weiter"), "ResumeButton",
                          QStringLiteral("Lässt das Programm weiterlaufen"));
    program->addLayout(buttons);
    connect(PauseButton, &QPushButton::clicked, this, &SimulatorPanel::PauseClick);
    connect(StepButton, &QPushButton::clicked, this, &SimulatorPanel::StepClick);
    connect(ResumeButton, &QPushButton::clicked, this, &SimulatorPanel::ResumeClick);

    nameControlsForAccess();

    auto* left = new QVBoxLayout;
    left->addWidget(GroupInputs);
    left->addWidget(GroupOutputs);
    left->addWidget(GroupRegisters);
    left->addStretch(1);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addWidget(GroupProgram, 1);
}

void SimulatorPanel::nameControlsForAccess() {
    // Names that tell the controls apart where their captions repeat
    // ("Signal" three times, the pin numbers in two groups).
    AnalogSlider->setAccessibleName(QStringLiteral("Analogeingang"));
    AnalogSignal->setAccessibleName(QStringLiteral("Analogeingang Signal"));
    DigitalSwitch->setAccessibleName(QStringLiteral("Digitaleingang Din"));
    DigitalSignal->setAccessibleName(QStringLiteral("Digitaleingang Signal"));
    PinSignal->setAccessibleName(QStringLiteral("Porteingänge Signal"));
    OutLed->setAccessibleName(QStringLiteral("Out"));
    LedLed->setAccessibleName(QStringLiteral("LED"));
    BeepLed->setAccessibleName(QStringLiteral("Beep"));
    PwmBar->setAccessibleName(QStringLiteral("PWM"));
    for (int n = 0; n < kPins; ++n) {
        PinSwitches[static_cast<std::size_t>(n)]->setAccessibleName(
            QStringLiteral("Porteingang %1").arg(n));
        PinLeds[static_cast<std::size_t>(n)]->setAccessibleName(
            QStringLiteral("Portausgang %1").arg(n));
    }
    ListingList->setAccessibleName(QStringLiteral("Programm im Simulator"));
}

void SimulatorPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    m_refreshTimer.start();
}

void SimulatorPanel::hideEvent(QHideEvent* event) {
    m_refreshTimer.stop();
    QWidget::hideEvent(event);
}

void SimulatorPanel::keyPressEvent(QKeyEvent* event) {
    // Escape closes the panel, as it closes a dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SimulatorPanel::closeEvent(QCloseEvent* event) {
    if (auto* b = board(); b && b->isRunning() && b->snapshot().paused)
        b->resumeProgram();
    QWidget::closeEvent(event);
}

void SimulatorPanel::refresh() {
    zentor::sim::SimulatedBoard* b = board();
    if (!b || !b->isRunning()) {
        showNoBoard(sp::noBoardText());
        return;
    }
    const BoardSnapshot s = b->snapshot();
    if (s.unplugged || b->isUnplugged()) {
        showNoBoard(sp::unpluggedText());
        return;
    }
    GroupInputs->setEnabled(true);
    GroupOutputs->setEnabled(true);
    GroupRegisters->setEnabled(true);
    m_updating = true;
    showInputs(s);
    showOutputs(s);
    showProgram(s);
    m_updating = false;
    if (m_beeps.update(b, s.outputs.beeps) && isVisible()) {
        setFlash(true);
        m_flashTimer.start();
        if (m_beepHandler)
            m_beepHandler();
    }
}

void SimulatorPanel::showNoBoard(const QString& state) {
    StateLabel->setText(state);
    // The last values stay, greyed: what the board showed before it went.
    GroupInputs->setEnabled(false);
    GroupOutputs->setEnabled(false);
    GroupRegisters->setEnabled(false);
    PauseButton->setEnabled(false);
    StepButton->setEnabled(false);
    ResumeButton->setEnabled(false);
    NextLabel->clear();
    if (m_markedRow >= 0 && m_markedRow < ListingList->count()) {
        auto* item = ListingList->item(m_markedRow);
        item->setText(rowText(m_listing, m_markedRow, false));
        item->setBackground(QBrush());
    }
    m_markedRow = -1;
}

void SimulatorPanel::showInputs(const BoardSnapshot& s) {
    const InputOverrides& fixed = s.overrides;
    AnalogSignal->setChecked(!fixed.analog);
    // A slider being dragged belongs to the learner.
    if (!AnalogSlider->isSliderDown())
        AnalogSlider->setValue(s.inputs.analog);
    AnalogLabel->setText(sp::voltsText(s.inputs.analog));

    DigitalSignal->setChecked(!fixed.digital);
    DigitalSwitch->setChecked(bit(s.inputs.digital, 0));

    PinSignal->setChecked(!fixed.portPins);
    for (int n = 0; n < kPins; ++n) {
        QCheckBox* pin = PinSwitches[static_cast<std::size_t>(n)];
        const bool output = bit(s.outputs.portDirection, n);
        // The port read shows an output pin's own output bit.
        pin->setChecked(bit(s.inputs.port, n));
        pin->setEnabled(!output);
        pin->setToolTip(output ? QStringLiteral("Port %1 ist als Ausgang geschaltet").arg(n)
                               : QStringLiteral("Porteingang %1").arg(n));
    }
}

void SimulatorPanel::showOutputs(const BoardSnapshot& s) {
    const auto& out = s.outputs;
    OutLed->setLedOn(out.out);
    const bool blinkPhase = (m_clock.elapsed() / kBlinkHalfPeriod) % 2 == 0;
    LedLed->setLedOn(out.led == LedState::On || (out.led == LedState::Blink && blinkPhase));
    LedLed->setToolTip(out.led == LedState::Blink ? QStringLiteral("LED blinkt")
                       : out.led == LedState::On  ? QStringLiteral("LED an")
                                                  : QStringLiteral("LED aus"));
    PwmBar->setValue(out.pwm);
    PwmLabel->setText(sp::decimalText(out.pwm));
    for (int n = 0; n < kPins; ++n)
        PinLeds[static_cast<std::size_t>(n)]->setLedOn(bit(out.portDirection, n) &&
                                                       bit(out.portOut, n));
}

void SimulatorPanel::showProgram(const BoardSnapshot& s) {
    StateLabel->setText(sp::stateText(s));
    const std::array<int, 4> values{s.a, s.b, s.c, s.d};
    for (std::size_t r = 0; r < values.size(); ++r) {
        RegisterDecimal[r]->setText(sp::decimalText(values[r]));
        RegisterHex[r]->setText(sp::hexText(values[r]));
    }
    PcDecimal->setText(sp::decimalText(s.programCounter));
    PcHex->setText(sp::hexText(s.programCounter));
    StackLabel->setText(sp::decimalText(s.stackDepth));

    const sp::StepControls controls = sp::stepControls(s);
    PauseButton->setEnabled(controls.pause);
    StepButton->setEnabled(controls.step);
    ResumeButton->setEnabled(controls.resume);

    // The listing is rebuilt only when memory changed: a running program
    // rarely writes, and the logger's samples change it only once per sample.
    if (!m_listingValid || s.memory != m_listedMemory) {
        m_listedMemory = s.memory;
        m_listing = sp::listingView(s.memory);
        m_listingValid = true;
        m_markedRow = -1;
        ListingList->clear();
        for (int row = 0; row < m_listing.listing.size(); ++row)
            ListingList->addItem(rowText(m_listing, row, false));
    }

    const bool active = sp::programActive(s);
    NextLabel->setText(active ? sp::instructionText(s.memory, m_listing, s.programCounter)
                              : QStringLiteral("–"));
    const int row = active ? sp::rowOfAddress(m_listing, s.programCounter) : -1;
    if (row == m_markedRow)
        return;
    if (m_markedRow >= 0) {
        auto* item = ListingList->item(m_markedRow);
        item->setText(rowText(m_listing, m_markedRow, false));
        item->setBackground(QBrush());
    }
    m_markedRow = row;
    if (row >= 0) {
        auto* item = ListingList->item(row);
        item->setText(rowText(m_listing, row, true));
        item->setBackground(kMarkColor);
        ListingList->scrollToItem(item);
    }
}

void SimulatorPanel::setFlash(bool on) {
    BeepLed->setLedOn(on);
    if (on == m_flashing)
        return;
    m_flashing = on;
    // The whole panel lights up: the window and every group on it.
    if (on) {
        m_normalPalette = palette();
        QPalette flash = m_normalPalette;
        flash.setColor(QPalette::Window, kFlashColor);
        setPalette(flash);
    } else {
        setPalette(m_normalPalette);
    }
}

void SimulatorPanel::PauseClick() {
    if (auto* b = board())
        b->pauseProgram();
    refresh();
}

void SimulatorPanel::StepClick() {
    if (auto* b = board())
        b->stepProgram();
    refresh();
}

void SimulatorPanel::ResumeClick() {
    if (auto* b = board())
        b->resumeProgram();
    refresh();
}

void SimulatorPanel::changeInputs(
    const std::function<void(InputOverrides&, const BoardSnapshot&)>& change) {
    auto* b = board();
    if (m_updating || !b)
        return;
    const BoardSnapshot s = b->snapshot();
    InputOverrides fixed = s.overrides;
    change(fixed, s);
    b->setInputOverrides(fixed);
    refresh();
}

void SimulatorPanel::analogChanged(int raw) {
    changeInputs([raw](InputOverrides& fixed, const BoardSnapshot&) { fixed.analog = raw; });
}

void SimulatorPanel::analogSignalClicked(bool followSignal) {
    // Leaving the signal holds the input at the voltage it has now.
    changeInputs([followSignal](InputOverrides& fixed, const BoardSnapshot& s) {
        fixed.analog = followSignal ? std::nullopt : std::optional<int>(s.inputs.analog);
    });
}

void SimulatorPanel::digitalClicked(bool on) {
    changeInputs([on](InputOverrides& fixed, const BoardSnapshot&) { fixed.digital = on ? 1 : 0; });
}

void SimulatorPanel::digitalSignalClicked(bool followSignal) {
    changeInputs([followSignal](InputOverrides& fixed, const BoardSnapshot& s) {
        fixed.digital = followSignal ? std::nullopt : std::optional<int>(s.inputs.digital & 1);
    });
}

void SimulatorPanel::pinClicked() {
    changeInputs([this](InputOverrides& fixed, const BoardSnapshot& s) {
        // Output pins keep the value they were given from outside before
        // (none while they followed the signal); they read their output bit
        // while they are outputs.
        const int direction = s.outputs.portDirection & kPinMask;
        int pins = fixed.portPins.value_or(0) & direction;
        for (int n = 0; n < kPins; ++n)
            if (!bit(direction, n) && PinSwitches[static_cast<std::size_t>(n)]->isChecked())
                pins |= 1 << n;
        fixed.portPins = pins;
    });
}

void SimulatorPanel::pinSignalClicked(bool followSignal) {
    changeInputs([followSignal](InputOverrides& fixed, const BoardSnapshot& s) {
        const int direction = s.outputs.portDirection & kPinMask;
        fixed.portPins =
            followSignal ? std::nullopt : std::optional<int>(s.inputs.port & kPinMask & ~direction);
    });
}
