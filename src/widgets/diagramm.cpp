#include "diagramm.h"

TDiagramm::TDiagramm(QWidget* parent) : ChartWidgetBase(parent) {}

void TDiagramm::changed(Change what) {
    if (what != Change::Stored) {
        Invalidate();
    }
}

ChartWidgetBase::Borders TDiagramm::borders() const {
    return {m_borderLeft, m_borderTop, m_borderRight, m_borderBottom};
}

void TDiagramm::setBorder(int& field, int v) {
    if (field != v) {
        field = v;
        Invalidate();
    }
}

void TDiagramm::setBorderLeft(int v) {
    setBorder(m_borderLeft, v);
}
void TDiagramm::setBorderRight(int v) {
    setBorder(m_borderRight, v);
}
void TDiagramm::setBorderTop(int v) {
    setBorder(m_borderTop, v);
}
void TDiagramm::setBorderBottom(int v) {
    setBorder(m_borderBottom, v);
}

void TDiagramm::setTyp(TDiaType t) {
    if (t == m_typ) {
        return;
    }
    m_typ = t;
    setAxisMode(axisModeOf(t));
    Invalidate();
}

void TDiagramm::setMarker(TMarkerOptions m) {
    if (m != m_marker) {
        m_marker = m;
        Invalidate();
    }
}

void TDiagramm::setMarkerGroesse(int s) {
    if (s >= 0) {
        m_markerGroesse = s;
    }
}

void TDiagramm::drawSample() {
    // A diagonal across the ranges of the current mapping, marked at both ends.
    const chart::ChartScale& s = scale();
    DrawLine(s.xmin, s.ymin, s.xmax, s.ymax);
    DrawMarker(s.xmin, s.ymin);
    DrawMarker(s.xmax, s.ymax);
}
