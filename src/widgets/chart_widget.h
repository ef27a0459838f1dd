// What the two chart widgets TDiagramm and TDiagram share: the stored
// properties, the backing picture, the paint sequence and the drawing
// operations in chart units.
//
// Painting model. The chart paints into a backing pixmap. A paint of the
// widget rebuilds that picture when it is out of date (after Invalidate(), a
// change of a visible property, a resize): background, grid, labels and
// captions, then the OnPainted signal, in whose handler the owner draws its
// data with DrawLine and DrawMarker. Outside a paint, DrawLine and DrawMarker
// draw straight into the picture and ask for an update, so a trace can grow
// between paints without redrawing what is already there. Note that
// QWidget::update() only shows the picture again; to have the owner redraw
// its data, call Invalidate() (at the next paint) or Repaint() (at once).
#pragma once

#include "chart_scale.h"
#include "pacer.h"

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <algorithm>

#include <functional>
#include <initializer_list>
#include <vector>

class QPainter;

// Marker kinds; a TMarkerOptions set holds bit n for kind n.
enum TMarkerTypes {
    mtKreuz = 0,
    mtRaute = 1,
    mtKasten = 2,
    mtDelta = 3,
    mtPunkt = 4,
    mtPlus = 5,
    mtKreis = 6
};

class TMarkerOptions {
public:
    constexpr TMarkerOptions() = default;
    constexpr TMarkerOptions(std::initializer_list<TMarkerTypes> kinds) {
        for (TMarkerTypes k : kinds) {
            m_bits |= 1u << k;
        }
    }
    static constexpr TMarkerOptions fromBits(unsigned bits) {
        TMarkerOptions o;
        o.m_bits = bits & 0x7Fu;
        return o;
    }
    constexpr bool contains(TMarkerTypes k) const { return (m_bits & (1u << k)) != 0; }
    constexpr unsigned bits() const { return m_bits; }
    constexpr bool operator==(const TMarkerOptions&) const = default;

private:
    unsigned m_bits = 0;
};

class ChartWidgetBase : public QWidget {
    Q_OBJECT

public:
    ~ChartWidgetBase() override;

    QColor Color() const { return m_color; }
    void setColor(const QColor& c);
    QColor ColorGrid() const { return m_colorGrid; }
    void setColorGrid(const QColor& c);
    QColor ColorText() const { return m_colorText; }
    void setColorText(const QColor& c);
    QColor ColorPoint() const { return m_colorPoint; }
    void setColorPoint(const QColor& c);
    QColor ColorLine() const { return m_colorLine; }
    void setColorLine(const QColor& c);
    bool Sample() const { return m_sample; }
    void setSample(bool on);
    QString CaptionX() const { return m_captionX; }
    void setCaptionX(const QString& text);
    QString CaptionY() const { return m_captionY; }
    void setCaptionY(const QString& text);
    // Stored only; the chart never draws it.
    QString Caption() const { return m_caption; }
    void setCaption(const QString& text);

    // Axis ranges and divisions in chart units; a division of 0 or less means
    // a tenth of the range. A range that cannot be drawn (max not above min,
    // a logarithmic minimum not above 0) leaves the plot area empty and keeps
    // the mapping of the last good paint.
    double Xmin() const { return m_xmin; }
    void setXmin(double v);
    double Xmax() const { return m_xmax; }
    void setXmax(double v);
    double Xdiv() const { return m_xdiv; }
    void setXdiv(double v);
    double Ymin() const { return m_ymin; }
    void setYmin(double v);
    double Ymax() const { return m_ymax; }
    void setYmax(double v);
    double Ydiv() const { return m_ydiv; }
    void setYdiv(double v);

    // A line in chart units, in ColorLine, one pixel wide. Inside OnPainted
    // consecutive lines that join are collected and drawn as one polyline,
    // so a trace of n points costs one draw call and no allocation per point.
    // Outside a paint the line goes into the picture at once (nothing happens
    // before the first paint).
    void DrawLine(double x1, double y1, double x2, double y2);
    // The marker of this chart at (x, y) in chart units, in ColorPoint.
    void DrawMarker(double x, double y);
    // Pixel column / row of a chart value with the mapping of the last paint.
    int ToPixelX(double x) const { return m_scale.toPixelX(x); }
    int ToPixelY(double y) const { return m_scale.toPixelY(y); }
    // The mapping of the last paint.
    const chart::ChartScale& scale() const { return m_scale; }
    // The values the picture shows: the points of the owner's lines (joined
    // lines share their point) or its markers, whichever are more; what a
    // screen reader says of the chart.
    int valueCount() const { return std::max(m_linePoints, m_markers); }
    // While the chart has the focus a screen reader is told its new count
    // at most this often (pacer.h), and not at all without the focus.
    static constexpr qint64 kTellCountIntervalMs = 1000;
    // The count last told, -1 before the first.
    int countTold() const { return m_countTold; }

    // Drawing that is not the owner's data, for tools that mark a chart up.
    // The back layer is drawn into the picture after the axes and before
    // OnPainted, so that the owner's data lies on top of it; the front layer
    // is drawn over the picture at every paint of the widget and never into
    // the picture, so it changes with a mere update(). Both get a painter in
    // widget pixels clipped to the plot area; scale() maps chart units. An
    // empty function removes a layer. A new back layer rebuilds the picture
    // at the next paint.
    using Layer = std::function<void(QPainter&)>;
    void setBackLayer(Layer layer);
    void setFrontLayer(Layer layer);

    // Marks the picture out of date; it is rebuilt (OnPainted included) at
    // the next paint.
    void Invalidate();
    // Rebuilds the picture now (OnPainted included) and shows it at the next
    // paint. A call from inside OnPainted only marks the picture out of date.
    void Repaint();

    QSize sizeHint() const override;

signals:
    // Emitted at the end of every rebuild of the picture, after background,
    // grid, labels and captions, with the mapping set for this chart. Sender
    // is the chart. Connect the page's ...Painted handler here.
    void OnPainted(QObject* Sender);

protected:
    explicit ChartWidgetBase(QWidget* parent);

    enum class Change {
        Look,    // Color, ColorGrid, ColorText, Sample (and the y axis mode)
        Range,   // Xmin .. Ydiv
        Caption, // CaptionX, CaptionY, Caption
        Stored   // ColorPoint, ColorLine: kept for the next drawing only
    };
    // Called after a property took a new value.
    virtual void changed(Change what) = 0;

    struct Borders {
        int left, top, right, bottom;
    };
    virtual Borders borders() const = 0;
    // The y axis of this chart for a valid scale.
    virtual chart::AxisLayout yAxis(const chart::ChartScale& s, chart::TextMetrics m) const;
    // The demonstration drawing shown while Sample is set.
    virtual void drawSample() = 0;
    // Marker kinds, half-size in pixels, and whether the circle comes first
    // (else last) among the kinds.
    virtual TMarkerOptions markerKinds() const = 0;
    virtual int markerSize() const = 0;
    virtual bool circleFirst() const = 0;

    void setAxisMode(int mode) { m_scale.axisMode = mode; }

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    template <typename T> void assign(T& field, const T& value, Change what);

    bool pictureFits() const;
    QRect plotArea() const;
    void rebuild();
    void paintAxes(QPainter& p);
    void drawLayout(QPainter& p, const chart::AxisLayout& layout);
    void drawText(QPainter& p, const chart::TextItem& item);
    void drawMarkerAt(QPainter& p, int px, int py);
    void flushTrace();
    void countLine(double x1, double y1, double x2, double y2);
    void announceValueCount(int before);
    void tellValueCount();

    QColor m_color;
    QColor m_colorGrid{128, 128, 128};
    QColor m_colorText{Qt::black};
    QColor m_colorPoint{128, 0, 0};
    QColor m_colorLine{0, 128, 0};
    bool m_sample = false;
    QString m_captionX = QStringLiteral("X-Achse");
    QString m_captionY = QStringLiteral("Y-Achse");
    QString m_caption = QStringLiteral("Titel");
    double m_xmin = 0, m_xmax = 100, m_xdiv = 0;
    double m_ymin = 0, m_ymax = 100, m_ydiv = 0;

    chart::ChartScale m_scale;
    QPixmap m_picture;
    QPainter* m_painter = nullptr; // set while the picture is rebuilt
    bool m_dirty = true;
    std::vector<QPoint> m_trace; // joined lines waiting to be drawn as one polyline
    Layer m_backLayer;
    Layer m_frontLayer;
    int m_linePoints = 0;
    int m_markers = 0;
    int m_countTold = -1;
    zentor::access::Pacer m_countSpeech{kTellCountIntervalMs, [this] { tellValueCount(); }};
    double m_lastX = 0, m_lastY = 0; // end of the last line, in chart units
};
