#include "diagram.h"

TDiagram::TDiagram(QWidget* parent) : ChartWidgetBase(parent) {}

void TDiagram::changed(Change what) {
    if (what != Change::Look && what != Change::Range) {
        return; // captions and line/marker colours are only stored
    }
    // Repainted at once; a hidden chart has nothing to show yet and is
    // rebuilt when it is painted.
    if (isVisible()) {
        Repaint();
    } else {
        Invalidate();
    }
}

void TDiagram::setDiaMode(TDiaMode m) {
    if (m != m_diaMode) {
        m_diaMode = m;
        changed(Change::Look);
    }
}

ChartWidgetBase::Borders TDiagram::borders() const {
    return {kBorderLeft, kBorderTop, kBorderRight, kBorderBottom};
}

chart::AxisLayout TDiagram::yAxis(const chart::ChartScale& s, chart::TextMetrics m) const {
    if (m_diaMode == md05) {
        return chart::portYAxis(s, CaptionY(), m);
    }
    return chart::linearYAxis(s, CaptionY(), m);
}

void TDiagram::drawSample() {
    DrawLine(10, 10, 25, 25);
    DrawMarker(25, 25);
}
