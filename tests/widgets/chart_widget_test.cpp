// The chart widgets painted into images and probed at computed pixels.
#include "diagram.h"
#include "diagramm.h"

#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPalette>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QColor kBack(10, 20, 30);
const QColor kGrid(200, 0, 0);
const QColor kText(0, 0, 250);
const QColor kLine(0, 220, 0);
const QColor kPoint(250, 250, 0);

QRgb rgb(const QColor& c) {
    return c.rgb();
}

// Counts the rebuilds of a chart's picture and lets a test draw in them.
struct PaintProbe {
    int count = 0;
    std::function<void()> draw;
    void attach(ChartWidgetBase& w) {
        QObject::connect(&w, &ChartWidgetBase::OnPainted, &w, [this, &w](QObject* sender) {
            EXPECT_EQ(sender, &w);
            ++count;
            if (draw) {
                draw();
            }
        });
    }
};

template <typename Chart> void styleChart(Chart& w) {
    w.resize(320, 220);
    w.setColor(kBack);
    w.setColorGrid(kGrid);
    w.setColorText(kText);
    w.setColorLine(kLine);
    w.setColorPoint(kPoint);
}

QImage picture(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Bounding box of the pixels in area that are neither background nor grid:
// the ink of texts drawn there.
QRect inkBox(const QImage& img, QRect area) {
    QRect box;
    area = area.intersected(img.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (p != rgb(kBack) && p != rgb(kGrid)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

int countColour(const QImage& img, QRect area, const QColor& c) {
    int n = 0;
    area = area.intersected(img.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += img.pixel(x, y) == rgb(c) ? 1 : 0;
        }
    }
    return n;
}

class ChartWidget : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void TearDown() override { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

TEST_F(ChartWidget, DiagrammDefaults) {
    TDiagramm d;
    EXPECT_EQ(d.size(), QSize(300, 200));
    EXPECT_EQ(d.Color(), d.palette().color(QPalette::Base));
    EXPECT_NE(d.Color(), d.palette().color(QPalette::Window)); // not the dialog grey
    EXPECT_EQ(d.ColorGrid(), QColor(128, 128, 128));
    EXPECT_EQ(d.ColorText(), QColor(Qt::black));
    EXPECT_EQ(d.ColorPoint(), QColor(128, 0, 0));
    EXPECT_EQ(d.ColorLine(), QColor(0, 128, 0));
    EXPECT_FALSE(d.Sample());
    EXPECT_EQ(d.CaptionX(), QStringLiteral("X-Achse"));
    EXPECT_EQ(d.CaptionY(), QStringLiteral("Y-Achse"));
    EXPECT_EQ(d.Caption(), QStringLiteral("Titel"));
    EXPECT_EQ(std::vector<double>({d.Xmin(), d.Xmax(), d.Xdiv(), d.Ymin(), d.Ymax(), d.Ydiv()}),
              std::vector<double>({0, 100, 0, 0, 100, 0}));
    EXPECT_EQ(std::vector<int>({d.BorderLeft(), d.BorderRight(), d.BorderTop(), d.BorderBottom()}),
              std::vector<int>({50, 30, 30, 50}));
    EXPECT_EQ(d.Typ(), XLinYLin);
    EXPECT_EQ(d.Marker(), TMarkerOptions{mtRaute});
    EXPECT_EQ(d.MarkerGroesse(), 3);
    EXPECT_EQ(d.scale().xmax, 5); // mapping before the first paint
    // the persisted names reach the same values
    EXPECT_EQ(d.property("MarkerGroesse").toInt(), 3);
    EXPECT_TRUE(d.setProperty("Xmax", 10.0));
    EXPECT_EQ(d.Xmax(), 10);
    EXPECT_TRUE(d.setProperty("Typ", 2));
    EXPECT_EQ(d.Typ(), XLogYLin);
    EXPECT_EQ(d.scale().axisMode, chart::kLogX);
    EXPECT_TRUE(d.setProperty("Marker", (1u << mtKasten) | (1u << mtKreis)));
    EXPECT_EQ(d.Marker(), (TMarkerOptions{mtKasten, mtKreis}));
}

TEST_F(ChartWidget, DiagramDefaults) {
    TDiagram d;
    EXPECT_EQ(d.DiaMode(), mdNormal);
    EXPECT_TRUE(d.setProperty("DiaMode", 1));
    EXPECT_EQ(d.DiaMode(), md05);
    EXPECT_EQ(d.ColorGrid(), QColor(128, 128, 128));
    EXPECT_EQ(d.CaptionY(), QStringLiteral("Y-Achse"));
    EXPECT_EQ(d.Ymax(), 100);
    picture(d);
    EXPECT_EQ(d.scale().left, 60);
    EXPECT_EQ(d.scale().top, 30);
    EXPECT_EQ(d.scale().width, 300 - 60 - 30);
    EXPECT_EQ(d.scale().height, 200 - 30 - 50);
}

TEST_F(ChartWidget, NegativeMarkerSizeIsIgnored) {
    TDiagramm d;
    d.setMarkerGroesse(-1);
    EXPECT_EQ(d.MarkerGroesse(), 3);
    d.setMarkerGroesse(0);
    EXPECT_EQ(d.MarkerGroesse(), 0);
}

TEST_F(ChartWidget, TypSetsTheAxisModeAtOnce) {
    TDiagramm d;
    const std::pair<TDiaType, int> cases[] = {{XLinYLog, chart::kLogY},
                                              {XLogYLin, chart::kLogX},
                                              {XLogYLog, chart::kLogX | chart::kLogY},
                                              {XLinYLin, 0}};
    for (auto [typ, mode] : cases) {
        d.setTyp(typ);
        EXPECT_EQ(d.scale().axisMode, mode) << typ;
    }
}

// Eleven vertical grid lines for 0..10, none beyond, labels without decimals.
TEST_F(ChartWidget, LinearXGridAndLabels) {
    TDiagramm d;
    styleChart(d);
    d.setXmax(10);
    d.setYmax(5);
    d.setYdiv(0.5);
    const QImage img = picture(d);
    const chart::ChartScale& s = d.scale();
    ASSERT_EQ(s.xdiv, 1);
    const int row = d.ToPixelY(0.25); // between two horizontal lines
    for (int v = 0; v <= 10; ++v) {
        EXPECT_EQ(img.pixel(d.ToPixelX(v), row), rgb(kGrid)) << v;
        EXPECT_EQ(img.pixel(d.ToPixelX(v + 0.5), row), rgb(kBack)) << v;
    }
    // no line at 11 (inside the right border), nothing right of the plot
    EXPECT_EQ(countColour(img, QRect(s.left + s.width + 1, s.top, 29, s.height), kGrid), 0);

    const QFontMetrics fm(d.font());
    const int bottom = s.top + s.height;
    // "10" stands under its line, about as wide as the text "10", not "10.0"
    const QRect ink10 = inkBox(img, QRect(d.ToPixelX(10) - 15, bottom + 3, 31, fm.height() + 2));
    ASSERT_FALSE(ink10.isNull());
    EXPECT_LE(std::abs(ink10.width() - fm.boundingRect(QStringLiteral("10")).width()), 2);
    EXPECT_GE(ink10.top(), bottom + 4);
    EXPECT_LT(ink10.left(), d.ToPixelX(10) + 8);
    EXPECT_GT(ink10.right(), d.ToPixelX(10));
}

TEST_F(ChartWidget, LinearYHalfStepsOneDecimal) {
    TDiagramm d;
    styleChart(d);
    d.setXmax(10);
    d.setYmax(5);
    d.setYdiv(0.5);
    const QImage img = picture(d);
    const chart::ChartScale& s = d.scale();
    const int column = d.ToPixelX(0.5);
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(img.pixel(column, d.ToPixelY(i * 0.5)), rgb(kGrid)) << i;
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(img.pixel(column, d.ToPixelY(i * 0.5 + 0.25)), rgb(kBack)) << i;
    }
    // "5.0" right-aligned a "W" left of the axis, standing on its line. The
    // test runs under a German locale: a decimal comma would reach below
    // the baseline, the point does not.
    const QFontMetrics fm(d.font());
    const int tw = fm.horizontalAdvance(QLatin1Char('W'));
    const int py = d.ToPixelY(5);
    const QRect ink =
        inkBox(img, QRect(0, py - fm.height(), s.left - 1, fm.height() + fm.descent() + 1));
    ASSERT_FALSE(ink.isNull());
    EXPECT_LE(ink.right(), s.left - tw);
    EXPECT_GE(ink.right(), s.left - tw - 3);
    EXPECT_LE(std::abs(ink.width() - fm.boundingRect(QStringLiteral("5.0")).width()), 2);
    EXPECT_EQ(ink.bottom(), py - 1);
}

TEST_F(ChartWidget, NegativeMinimumLines) {
    TDiagramm d;
    styleChart(d);
    d.setYmin(-10);
    d.setYdiv(10);
    const QImage img = picture(d);
    const int column = d.ToPixelX(5);
    for (int v = -10; v <= 100; v += 10) {
        EXPECT_EQ(img.pixel(column, d.ToPixelY(v)), rgb(kGrid)) << v;
        if (v < 100) {
            EXPECT_EQ(img.pixel(column, d.ToPixelY(v + 5)), rgb(kBack)) << v;
        }
    }
    const QFontMetrics fm(d.font());
    const int py = d.ToPixelY(-10);
    const QRect ink = inkBox(img, QRect(0, py - fm.height(), d.scale().left - 1, fm.height() + 1));
    EXPECT_LE(std::abs(ink.width() - fm.boundingRect(QStringLiteral("-10")).width()), 2);
}

TEST_F(ChartWidget, VerticalCaptionAtMidHeight) {
    TDiagramm d;
    styleChart(d);
    d.setCaptionY(QStringLiteral("Spannung"));
    d.setCaptionX(QString());
    const QImage img = picture(d);
    const chart::ChartScale& s = d.scale();
    const QFontMetrics fm(d.font());
    const int th = fm.height();
    // left of the y labels: only the caption has ink there
    const QRect ink = inkBox(img, QRect(0, s.top, s.left - 2 * th + 1, s.height));
    ASSERT_FALSE(ink.isNull());
    EXPECT_GT(ink.height(), 2 * ink.width()); // reads upwards
    EXPECT_LE(ink.right(), s.left - 2 * th);
    EXPECT_LE(std::abs(ink.center().y() - (s.top + s.height / 2)), 3);
    EXPECT_LE(std::abs(ink.height() - fm.boundingRect(QStringLiteral("Spannung")).width()), 3);
}

// Labels as wide as "25,5" reach into where the caption would stand (two
// text heights left of the axis): it moves left of them.
TEST_F(ChartWidget, VerticalCaptionKeepsClearOfWideLabels) {
    TDiagramm d;
    styleChart(d);
    d.setCaptionX(QString());
    d.setYmax(25.5);
    d.setYdiv(5.1);
    d.setCaptionY(QString());
    const QImage labelsOnly = picture(d);
    d.setCaptionY(QStringLiteral("Rohwert"));
    const QImage both = picture(d);
    const chart::ChartScale& s = d.scale();
    QRect caption;
    for (int y = 0; y < both.height(); ++y) {
        for (int x = 0; x < s.left; ++x) {
            if (both.pixel(x, y) != labelsOnly.pixel(x, y))
                caption |= QRect(x, y, 1, 1);
        }
    }
    const QRect labels = inkBox(labelsOnly, QRect(0, s.top - 8, s.left - 1, s.height + 16));
    ASSERT_FALSE(caption.isNull());
    ASSERT_FALSE(labels.isNull());
    EXPECT_GE(caption.left(), 0);
    EXPECT_LT(caption.right(), labels.left());
}

TEST_F(ChartWidget, LogAxisRefusesZeroMinimum) {
    TDiagramm d;
    styleChart(d);
    PaintProbe probe;
    probe.attach(d);
    d.setTyp(XLogYLin);
    d.setXmin(0);
    const QImage img = picture(d);
    EXPECT_EQ(probe.count, 1); // the owner still draws
    EXPECT_EQ(countColour(img, img.rect(), kGrid), 0);
    EXPECT_EQ(inkBox(img, img.rect()), QRect()); // no labels, no captions

    d.setXmin(1);
    d.setXmax(1000);
    const QImage log = picture(d);
    EXPECT_EQ(probe.count, 2);
    const int row = d.ToPixelY(55);
    for (double v : {2.0, 5.0, 10.0, 30.0, 100.0, 700.0}) {
        EXPECT_EQ(log.pixel(d.ToPixelX(v), row), rgb(kGrid)) << v;
    }
    EXPECT_EQ(log.pixel(d.ToPixelX(1.5), row), rgb(kBack));
}

// An invalid range leaves only the background; the owner's drawing uses the
// mapping of the last good paint.
TEST_F(ChartWidget, InvalidRangeKeepsPreviousMapping) {
    TDiagramm d;
    styleChart(d);
    d.setXmax(10);
    PaintProbe probe;
    probe.attach(d);
    probe.draw = [&d] { d.DrawLine(1, 55, 9, 55); };
    picture(d);
    const chart::ChartScale before = d.scale();

    d.setXmin(20); // above Xmax
    const QImage img = picture(d);
    EXPECT_EQ(probe.count, 2);
    EXPECT_EQ(d.scale().xmin, 0);
    EXPECT_EQ(d.scale().xmax, 10);
    EXPECT_EQ(countColour(img, img.rect(), kGrid), 0);
    const int row = before.toPixelY(55);
    EXPECT_EQ(img.pixel(before.toPixelX(1), row), rgb(kLine));
    EXPECT_EQ(img.pixel(before.toPixelX(5), row), rgb(kLine));
    EXPECT_EQ(img.pixel(before.toPixelX(9.5), row), rgb(kBack));

    d.setYmax(0); // Ymax not above Ymin
    d.setXmin(0);
    EXPECT_EQ(countColour(picture(d), img.rect(), kGrid), 0);
}

// The recorder's way: lines drawn between paints show without a rebuild and
// vanish at the next rebuild unless the owner draws them again.
TEST_F(ChartWidget, DrawLineBetweenPaints) {
    TDiagramm d;
    styleChart(d);
    d.setXmax(10);
    PaintProbe probe;
    probe.attach(d);
    d.DrawLine(1, 55, 9, 55); // before the first paint: nothing to draw into
    const QImage first = picture(d);
    ASSERT_EQ(probe.count, 1);
    const int row = d.ToPixelY(55);
    EXPECT_EQ(first.pixel(d.ToPixelX(2.5), row), rgb(kBack));

    d.DrawLine(1.5, 55, 8.5, 55);
    d.DrawLine(8.5, 55, 8.5, 75);
    const QImage grown = picture(d);
    EXPECT_EQ(probe.count, 1);
    EXPECT_EQ(grown.pixel(d.ToPixelX(2.5), row), rgb(kLine));
    EXPECT_EQ(grown.pixel(d.ToPixelX(8.5), d.ToPixelY(65)), rgb(kLine));
    EXPECT_EQ(grown.pixel(d.ToPixelX(0.5), row), rgb(kBack));

    d.Invalidate();
    const QImage rebuilt = picture(d);
    EXPECT_EQ(probe.count, 2);
    EXPECT_EQ(rebuilt.pixel(d.ToPixelX(2.5), row), rgb(kBack));
}

// Inside OnPainted, joined lines are collected into polylines; joined and
// separate pieces must both come out, in the line colour.
TEST_F(ChartWidget, TraceDrawnInOnPainted) {
    TDiagramm d;
    styleChart(d);
    d.setXmax(10);
    PaintProbe probe;
    probe.attach(d);
    probe.draw = [&d] {
        d.DrawLine(1.5, 25, 4.5, 25);
        d.DrawLine(4.5, 25, 4.5, 65);
        d.DrawLine(4.5, 65, 7.5, 65);
        d.DrawMarker(7.5, 85); // between two pieces
        d.DrawLine(8.2, 35, 9.8, 35);
    };
    const QImage img = picture(d);
    EXPECT_EQ(img.pixel(d.ToPixelX(2.5), d.ToPixelY(25)), rgb(kLine));
    EXPECT_EQ(img.pixel(d.ToPixelX(4.5), d.ToPixelY(45)), rgb(kLine));
    EXPECT_EQ(img.pixel(d.ToPixelX(6.5), d.ToPixelY(65)), rgb(kLine));
    EXPECT_EQ(img.pixel(d.ToPixelX(9.5), d.ToPixelY(35)), rgb(kLine));
    EXPECT_EQ(img.pixel(d.ToPixelX(7.5), d.ToPixelY(85) - 3), rgb(kPoint)); // diamond tip
    // no line joins the separate pieces
    const QRect gap(QPoint(d.ToPixelX(7.6), d.ToPixelY(60)),
                    QPoint(d.ToPixelX(8.1), d.ToPixelY(40)));
    EXPECT_EQ(countColour(img, gap, kLine), 0);
}

// Marks of a tool: the back layer lies under the owner's lines, the front
// layer over the whole picture; both stay inside the plot, and without them
// the chart is as it was.
TEST_F(ChartWidget, LayersLieBehindAndOverTheOwnersDrawing) {
    TDiagramm d;
    styleChart(d);
    d.setXmax(10);
    PaintProbe probe;
    probe.attach(d);
    probe.draw = [&d] { d.DrawLine(0, 50, 10, 50); };
    const QImage plain = picture(d);
    const QColor back(200, 100, 0);
    const QColor front(0, 0, 200);
    d.setBackLayer([&d, back](QPainter& p) { p.fillRect(d.rect(), back); });
    d.setFrontLayer(
        [&d, front](QPainter& p) { p.fillRect(QRect(d.ToPixelX(5), 0, 3, d.height()), front); });
    const QImage layered = picture(d);
    const int row = d.ToPixelY(50);
    EXPECT_EQ(layered.pixel(d.ToPixelX(2), row), rgb(kLine));
    EXPECT_EQ(layered.pixel(d.ToPixelX(2), d.ToPixelY(80)), rgb(back));
    EXPECT_EQ(layered.pixel(d.ToPixelX(5) + 1, row), rgb(front));
    EXPECT_EQ(layered.pixel(d.ToPixelX(5) + 1, 2), plain.pixel(d.ToPixelX(5) + 1, 2));
    EXPECT_EQ(layered.pixel(2, row), plain.pixel(2, row));

    d.setBackLayer({});
    d.setFrontLayer({});
    EXPECT_EQ(picture(d), plain);
}

struct MarkerCase {
    TMarkerOptions kinds;
    std::vector<QPoint> ink;   // offsets from the centre in the point colour
    std::vector<QPoint> clear; // offsets left in the background colour
};

// Each kind between paints at (2.5, 55), off every grid line, half-size 5.
TEST_F(ChartWidget, MarkerKinds) {
    const MarkerCase cases[] = {
        {{mtKasten}, {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}, {0, -5}}, {{0, 0}, {2, 2}}},
        {{mtKreuz}, {{3, 3}, {-3, 3}, {5, -5}}, {{0, -3}, {3, 0}}},
        {{mtRaute}, {{0, -5}, {5, 0}, {0, 5}, {-5, 0}}, {{5, -5}, {0, 0}}},
        {{mtDelta}, {{0, -5}, {5, 5}, {0, 5}, {-5, 5}}, {{-5, -5}, {0, 0}}},
        {{mtPunkt}, {{0, 0}}, {{1, 1}, {1, 0}}},
        {{mtPlus}, {{5, 0}, {-5, 0}, {0, -5}, {0, 5}, {0, 0}}, {{5, 5}, {2, 2}}},
        {{mtKasten, mtPunkt}, {{0, 0}, {5, 5}}, {{2, 2}}},
    };
    for (const MarkerCase& c : cases) {
        TDiagramm d;
        styleChart(d);
        d.setXmax(10);
        d.setMarker(c.kinds);
        d.setMarkerGroesse(5);
        picture(d);
        d.DrawMarker(2.5, 55);
        const QImage img = picture(d);
        const QPoint centre(d.ToPixelX(2.5), d.ToPixelY(55));
        for (QPoint o : c.ink) {
            EXPECT_EQ(img.pixel(centre + o), rgb(kPoint))
                << c.kinds.bits() << " " << o.x() << "," << o.y();
        }
        for (QPoint o : c.clear) {
            EXPECT_EQ(img.pixel(centre + o), rgb(kBack))
                << c.kinds.bits() << " " << o.x() << "," << o.y();
        }
    }
}

// The circle is filled with the background brush: on a grid crossing it
// hides the grid inside its outline.
TEST_F(ChartWidget, CircleMarkerIsFilled) {
    TDiagramm d;
    styleChart(d);
    d.setXmax(10);
    d.setMarker({mtKreis});
    d.setMarkerGroesse(5);
    picture(d);
    const QPoint c(d.ToPixelX(6), d.ToPixelY(60));
    EXPECT_EQ(picture(d).pixel(c), rgb(kGrid));
    d.DrawMarker(6, 60);
    const QImage img = picture(d);
    EXPECT_EQ(img.pixel(c), rgb(kBack));
    EXPECT_EQ(img.pixel(c + QPoint(2, 0)), rgb(kBack));
    EXPECT_EQ(img.pixel(c + QPoint(0, -2)), rgb(kBack));
    EXPECT_GT(countColour(img, QRect(c - QPoint(6, 6), QSize(13, 13)), kPoint), 16);
    EXPECT_EQ(img.pixel(c + QPoint(8, 0)), rgb(kGrid)); // the grid goes on outside
}

TEST_F(ChartWidget, DiagrammSampleDiagonal) {
    TDiagramm d;
    styleChart(d);
    d.setSample(true);
    const QImage img = picture(d);
    const chart::ChartScale& s = d.scale();
    // diamonds at both ends, the diagonal through the middle of the plot
    EXPECT_EQ(img.pixel(s.left, s.top + s.height - 3), rgb(kPoint));
    EXPECT_EQ(img.pixel(s.left + s.width, s.top - 3), rgb(kPoint));
    EXPECT_GT(countColour(img, QRect(d.ToPixelX(50) - 1, d.ToPixelY(50) - 1, 3, 3), kLine), 0);
}

TEST_F(ChartWidget, DiagramSampleInChartUnits) {
    TDiagram d;
    styleChart(d);
    d.setSample(true);
    const QImage img = picture(d);
    EXPECT_EQ(img.pixel(d.ToPixelX(25), d.ToPixelY(25) - 4), rgb(kPoint)); // diamond of size 4
    EXPECT_GT(countColour(img, QRect(d.ToPixelX(15) - 1, d.ToPixelY(15) - 1, 3, 3), kLine), 0);
    EXPECT_EQ(countColour(img, QRect(d.ToPixelX(30), d.ToPixelY(30) - 1, 3, 3), kLine), 0);
}

TEST_F(ChartWidget, DiagrammRepaintsAtTheNextPaint) {
    TDiagramm d;
    styleChart(d);
    d.show();
    PaintProbe probe;
    probe.attach(d);
    picture(d);
    const int before = probe.count;
    d.setXmax(10);
    d.setCaptionY(QStringLiteral("Volt"));
    EXPECT_EQ(probe.count, before); // nothing painted yet
    picture(d);
    EXPECT_EQ(probe.count, before + 1);
    d.setColorLine(Qt::white); // stored only
    d.setMarkerGroesse(6);
    picture(d);
    EXPECT_EQ(probe.count, before + 1);
}

TEST_F(ChartWidget, DiagramRepaintsAtOnceWhenVisible) {
    TDiagram d;
    styleChart(d);
    d.show();
    PaintProbe probe;
    probe.attach(d);
    picture(d);
    const int before = probe.count;
    d.setYmax(6);
    EXPECT_EQ(probe.count, before + 1);
    d.setDiaMode(md05);
    d.setColorGrid(kGrid); // unchanged: no repaint
    d.setSample(false);
    EXPECT_EQ(probe.count, before + 2);

    // captions and the line colour are only stored
    const QImage shown = picture(d);
    d.setCaptionY(QStringLiteral("Port"));
    d.setCaptionX(QStringLiteral("Minuten"));
    d.setColorLine(Qt::white);
    EXPECT_EQ(probe.count, before + 2);
    EXPECT_EQ(picture(d), shown);
    d.Repaint();
    EXPECT_EQ(probe.count, before + 3);
    EXPECT_NE(picture(d), shown);
}

TEST_F(ChartWidget, HiddenDiagramWaitsForItsPaint) {
    TDiagram d;
    styleChart(d);
    PaintProbe probe;
    probe.attach(d);
    d.setYmax(6);
    EXPECT_EQ(probe.count, 0);
    picture(d);
    EXPECT_EQ(probe.count, 1);
}

// The logger's digital display: six lanes 0..5 with raised labels and a top
// edge, the caption horizontal at the top left.
TEST_F(ChartWidget, PortLanes) {
    TDiagram d;
    styleChart(d);
    d.setCaptionY(QStringLiteral("Port"));
    d.setYmax(6);
    d.setYdiv(1);
    d.setDiaMode(md05);
    const QImage img = picture(d);
    const chart::ChartScale& s = d.scale();
    const QFontMetrics fm(d.font());
    const int th = fm.height();
    const int tw = fm.horizontalAdvance(QLatin1Char('W'));
    const int column = d.ToPixelX(5);
    for (int v = 0; v <= 6; ++v) { // 6 is the top edge
        EXPECT_EQ(img.pixel(column, d.ToPixelY(v)), rgb(kGrid)) << v;
    }
    for (int v = 0; v < 6; ++v) {
        EXPECT_EQ(img.pixel(column, d.ToPixelY(v + 0.5)), rgb(kBack)) << v;
        // the label stands on a baseline half a text height above its line
        // (a digit's last row is the one above the baseline)
        const int base = d.ToPixelY(v) - th / 2;
        const QRect ink = inkBox(img, QRect(s.left - 3 * tw, base - th, 2 * tw, th + 1));
        ASSERT_FALSE(ink.isNull()) << v;
        EXPECT_EQ(ink.bottom(), base - 1) << v;
        EXPECT_LE(ink.right(), s.left - tw) << v;
    }
    // "Port" reads horizontally, right-aligned a "W" left of the plot, above its top
    const QRect caption = inkBox(img, QRect(0, 0, s.left - tw + 1, s.top + 1));
    ASSERT_FALSE(caption.isNull());
    EXPECT_GT(caption.width(), caption.height());
    EXPECT_LE(caption.bottom(), s.top);
    EXPECT_GE(caption.right(), s.left - tw - 2);
    EXPECT_LE(std::abs(caption.width() - fm.boundingRect(QStringLiteral("Port")).width()), 2);
}

// Back to the normal mode with the analog axis: eleven lines 0.0..5.0 and the
// vertical caption at mid-height.
TEST_F(ChartWidget, PortLanesBackToNormal) {
    TDiagram d;
    styleChart(d);
    d.setCaptionY(QStringLiteral("Port"));
    d.setYmax(6);
    d.setYdiv(1);
    d.setDiaMode(md05);
    picture(d);
    d.setCaptionY(QStringLiteral("Volt"));
    d.setYmax(5);
    d.setYdiv(0);
    d.setDiaMode(mdNormal);
    const QImage img = picture(d);
    const chart::ChartScale& s = d.scale();
    EXPECT_EQ(s.ydiv, 0.5);
    const int column = d.ToPixelX(5);
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(img.pixel(column, d.ToPixelY(i * 0.5)), rgb(kGrid)) << i;
    }
    const QFontMetrics fm(d.font());
    const int th = fm.height();
    const QRect caption = inkBox(img, QRect(0, s.top, s.left - 2 * th + 1, s.height));
    ASSERT_FALSE(caption.isNull());
    EXPECT_GT(caption.height(), caption.width());
    EXPECT_LE(std::abs(caption.center().y() - (s.top + s.height / 2)), 3);
    // "5.0" on its line: digits and point end on the row above it
    const QRect label =
        inkBox(img, QRect(s.left - 40, d.ToPixelY(5) - th, 39, th + fm.descent() + 1));
    EXPECT_EQ(label.bottom(), d.ToPixelY(5) - 1);
    EXPECT_LE(std::abs(label.width() - fm.boundingRect(QStringLiteral("5.0")).width()), 2);
}

// Markers on the sampled chart: fixed diamonds of half-size 4.
TEST_F(ChartWidget, DiagramMarkerIsFixedDiamond) {
    TDiagram d;
    styleChart(d);
    picture(d);
    d.DrawMarker(25, 55);
    const QImage img = picture(d);
    const QPoint c(d.ToPixelX(25), d.ToPixelY(55));
    EXPECT_EQ(img.pixel(c + QPoint(0, -4)), rgb(kPoint));
    EXPECT_EQ(img.pixel(c + QPoint(4, 0)), rgb(kPoint));
    EXPECT_EQ(img.pixel(c + QPoint(4, -4)), rgb(kBack));
}

// A handler that changes the chart while it is being painted must not
// recurse into a second paint.
TEST_F(ChartWidget, ChangeInsideOnPaintedIsDeferred) {
    TDiagram d;
    styleChart(d);
    d.show();
    PaintProbe probe;
    probe.attach(d);
    probe.draw = [&d] {
        d.setYmax(d.Ymax() + 1);
        d.DrawLine(10, 10, 20, 20);
    };
    d.Repaint();
    EXPECT_EQ(probe.count, 1);
    picture(d); // the deferred change is painted now
    EXPECT_EQ(probe.count, 2);
}

} // namespace
