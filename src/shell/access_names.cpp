#include "access_names.h"

#include "amadvled.h"
#include "amm.h"
#include "conversion.h"
#include "diagram.h"
#include "diagramm.h"
#include "direct_page.h"
#include "focus_group.h"
#include "logger_page.h"
#include "program_editor_widgets.h"
#include "program_page.h"
#include "recorder_page.h"
#include "scope.h"
#include "scope_page.h"
#include "tform1.h"
#include "weblabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>

#include <array>

namespace {

constexpr int kBits = 6;

// Keys on a horizontal scroll bar that sets a value: Right and Up raise it,
// Left and Down lower it, Page Up and Page Down by a large step. Qt's scroll
// bar turns the arrows round (a page "down" scrolls forward), which suits
// a document, not a value; the mouse wheel keeps Qt's direction.
class ValueBarKeys : public QObject {
public:
    explicit ValueBarKeys(QScrollBar& bar) : QObject(&bar), m_bar(bar) {
        bar.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_bar || event->type() != QEvent::KeyPress)
            return false;
        QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Right:
        case Qt::Key_Up:
            action = QAbstractSlider::SliderSingleStepAdd;
            break;
        case Qt::Key_Left:
        case Qt::Key_Down:
            action = QAbstractSlider::SliderSingleStepSub;
            break;
        case Qt::Key_PageUp:
            action = QAbstractSlider::SliderPageStepAdd;
            break;
        case Qt::Key_PageDown:
            action = QAbstractSlider::SliderPageStepSub;
            break;
        default:
            return false; // Home and End are right already
        }
        m_bar.triggerAction(action);
        return true;
    }

private:
    QScrollBar& m_bar;
};

void name(QWidget* widget, const QString& text, const QString& description = {}) {
    widget->setAccessibleName(text);
    if (!description.isEmpty())
        widget->setAccessibleDescription(description);
}

void nameFrame(TForm1& w) {
    name(w.menuBar(), QStringLiteral("Menüleiste"));
    name(w.PageControl1, QStringLiteral("Seiten"));
    name(w.StatusBar1, QStringLiteral("Statuszeile"));
    name(w.Image1, QStringLiteral("Bild der Platine"),
         QStringLiteral("Die Zentor-Platine mit Analogeingang, Digitaleingang, sechs Ports, "
                        "PWM-Ausgang und Lautsprecher"));
    name(w.WebLabel1, w.WebLabel1->text(), w.WebLabel1->toolTip());
}

void nameDirect(DirectPage& page) {
    // The meter's description is its reading (widget_access.cpp); the key
    // is told by the tool tip.
    name(page.Anal1, QStringLiteral("Analogeingang"));
    page.Anal1->setToolTip(QStringLiteral("Leertaste wechselt zwischen Volt und Wert"));
    // In volts the reading is said as the status bar shows it ("2,51 Volt").
    page.Anal1->setValueText([](const TAnal& meter) {
        if (meter.Caption() == QLatin1String("Volt"))
            return zentor::ConvertReading(zentor::kChannelVoltage, meter.Value()).text;
        return QStringLiteral("%1 %2").arg(meter.Value()).arg(meter.Caption());
    });
    name(page.AMAdvLed1, QStringLiteral("Din"));
    const std::array<TAMAdvLed*, kBits> leds{page.AMAdvLed01, page.AMAdvLed02, page.AMAdvLed04,
                                             page.AMAdvLed08, page.AMAdvLed16, page.AMAdvLed32};
    const std::array<QCheckBox*, kBits> directions{page.d1, page.d2, page.d3,
                                                   page.d4, page.d5, page.d6};
    const std::array<QCheckBox*, kBits> outputs{page.o1, page.o2, page.o3,
                                                page.o4, page.o5, page.o6};
    for (int bit = 0; bit < kBits; ++bit) {
        name(leds[bit], QStringLiteral("Port Bit %1").arg(bit));
        name(directions[bit], QStringLiteral("Pdir Bit %1").arg(bit));
        name(outputs[bit], QStringLiteral("Portout Bit %1").arg(bit));
    }
    // The lamps are one Tab stop, in the order they are read: Din, then the
    // port bits from the left (bit 5) to the right (bit 0).
    new zentor::access::FocusGroup({page.AMAdvLed1, page.AMAdvLed32, page.AMAdvLed16,
                                    page.AMAdvLed08, page.AMAdvLed04, page.AMAdvLed02,
                                    page.AMAdvLed01});
    name(page.ScrollBarPWM, QStringLiteral("PWM"));
    new ValueBarKeys(*page.ScrollBarPWM);
}

void nameMeasurements(LoggerPage& logger, RecorderPage& recorder, ScopePage& scope) {
    name(logger.Diagram1, QStringLiteral("Diagramm der externen Messung"));
    name(logger.ComboBox16, QStringLiteral("Messdauer"));
    name(logger.ComboBox17, QStringLiteral("Eingang"));
    name(logger.ProgressBar1, QStringLiteral("Fortschritt beim Auslesen"));

    name(recorder.ytdiagram, QStringLiteral("Diagramm des Zeitschreibers"));
    name(recorder.timeyt, QStringLiteral("Messdauer"));
    name(recorder.ytchannel, QStringLiteral("Eingang"));

    name(scope.OSZI, QStringLiteral("Diagramm des Oszilloskops"));
    const std::array<QRadioButton*, zentor::kScopeTimeBases.size()> bases{
        scope.RadioButton1, scope.RadioButton2, scope.RadioButton3, scope.RadioButton4,
        scope.RadioButton5};
    for (std::size_t i = 0; i < bases.size(); ++i)
        name(bases[i],
             QStringLiteral("Zeitbasis %1 ms/DIV").arg(zentor::kScopeTimeBases[i].factor * 10));
}

void nameProgram(ProgramPage& page) {
    name(page.ListBox1, QStringLiteral("Listing"),
         QStringLiteral("Entf löscht die gewählte Zeile; neue Zeilen kommen über die "
                        "gewählte Zeile"));
    name(page.Listcode, QStringLiteral("Maschinencode"));
    const std::array<std::pair<PaletteBox*, const char*>, 8> palettes{{
        {page.ListBox2, "Rechenbefehle"},
        {page.ListBox15, "Inhalte zuweisen"},
        {page.ListBox5, "Ein-/Ausgaben"},
        {page.ListBox3, "Konstanten zuweisen"},
        {page.ListBox6, "Sprungbefehle"},
        {page.ListBox7, "Return und End"},
        {page.ListBox14, "Rem"},
        {page.ListBox13, "Verfügbare Labels"},
    }};
    for (const auto& [palette, caption] : palettes)
        name(palette, QString::fromUtf8(caption),
             QStringLiteral("Eingabetaste, Leertaste oder Doppelklick fügt den Eintrag ins "
                            "Listing ein"));
    const std::array<std::pair<NumberField*, const char*>, 10> fields{{
        {page.EditA, "A"},
        {page.EditB, "B"},
        {page.EditC, "C"},
        {page.EditD, "D"},
        {page.EditDelay, "Delay"},
        {page.EditPWM, "PWM"},
        {page.EditPdir, "Pdir"},
        {page.EditPort, "Portout"},
        {page.EditAnd, "And"},
        {page.EditOr, "Or"},
    }};
    for (const auto& [field, caption] : fields)
        name(field, QStringLiteral("Konstante %1").arg(QLatin1String(caption)),
             QStringLiteral("Zahl 0 bis 255; die Eingabetaste fügt die Zeile ein"));
    name(page.ComboBox7, QStringLiteral("Sprungziele"));
    name(page.Edit3, QStringLiteral("Kommentar"));
    name(page.ProgressBar2, QStringLiteral("Fortschritt der Übertragung"));
}

} // namespace

void nameControlsForAccess(TForm1& window) {
    nameFrame(window);
    nameDirect(*window.TabSheet2);
    nameMeasurements(*window.TabSheet3, *window.TabSheet6, *window.TabSheet8);
    nameProgram(*window.TabSheet4);
}
