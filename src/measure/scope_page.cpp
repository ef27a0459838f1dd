#include "scope_page.h"

#include "diagramm.h"
#include "link.h"
#include "measurement_exchange.h"
#include "measurement_file.h"
#include "measurement_pages.h"
#include "shell.h"
#include "text_export.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QColor kTeal(0, 128, 128);
const QColor kMediumGrey(160, 160, 164);

constexpr int kStripHeight = 34;

} // namespace

ScopePage::ScopePage(Shell& shell, QTimer& timerOszi, QWidget* parent)
    : MeasurementPage(parent), OSZI(new TDiagramm(this)), RadioButton1(new QRadioButton(this)),
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
    followLink();
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
    m_reading = true;
    const bool ramRead = Sender == RAMRead;
    if (ramRead)
        prepareRamRead();
    else
        prepareCapture();

    zentor::Link::instance()
        .run(
            [ramRead, timeBase = ScopeTimeBase, values = ScopeValues] {
                zentor::ScopeRead read = ramRead ? zentor::readScopeMemory(values)
                                                 : zentor::captureScope(timeBase, values);
                read.cancelled = zentor::Link::cancelRequested() &&
                                 read.outcome != zentor::ScopeRead::Outcome::Done;
                return read;
            },
            zentor::Link::Kind::Cancellable)
        .reports(this,
                 [this](const zentor::ExchangeReport& report) {
                     if (!report.statusText.isNull())
                         m_shell.setStatusText(report.statusText);
                 })
        .then(this, [this](const zentor::ScopeRead& read) { showSamples(read); });
}

void ScopePage::prepareCapture() {
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
    OSZI->Invalidate();
}

void ScopePage::showSamples(const zentor::ScopeRead& read) {
    using Outcome = zentor::ScopeRead::Outcome;
    m_reading = false;
    if (read.cancelled) {
        // Nothing of a cancelled read is taken, and it is not repeated.
        TimerOszi.stop();
        m_shell.setStatusText(QString::fromLatin1(zentor::kCancelledText));
        return;
    }
    if (read.outcome == Outcome::NoAnswer) {
        m_shell.setStatusText(read.answer);
        return;
    }
    if (read.outcome == Outcome::Short) {
        // A short capture is no measurement: the last one stays on the chart.
        m_shell.setStatusText(zentor::kScopeReadTimeoutText.toString());
        return;
    }
    // The samples read so far stay when the read failed; the repetition is
    // not re-armed then.
    ScopeValues = read.values;
    if (read.outcome == Outcome::ReadTimeout) {
        m_shell.setStatusText(zentor::kScopeReadTimeoutText.toString());
        return;
    }
    if (read.outcome == Outcome::ReadError) {
        m_shell.setStatusText(zentor::kScopeReadErrorText.toString());
        return;
    }
    setMeasuredAt(zentor::measurementTimeNow());

    // Draw at once: the picture is rebuilt now with the axes of this read
    // and the samples, rather than drawn over the axes of the last paint.
    OSZI->Repaint();

    m_shell.setStatusText(zentor::kScopeDoneText.toString());
    if (CheckBox3->isChecked()) {
        TimerOszi.setInterval(zentor::kScopeRepeatMs);
        if (!TimerOszi.isActive())
            TimerOszi.start();
    } else {
        TimerOszi.stop();
    }
}

void ScopePage::followLink() {
    const bool linkFree = !zentor::Link::instance().commandRunning();
    Button14->setEnabled(linkFree);
    RAMRead->setEnabled(linkFree);
}

void ScopePage::TimerOsziTimer() {
    // A tick while the last capture or read still runs is skipped.
    if (!CheckBox3->isChecked() || m_reading)
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
