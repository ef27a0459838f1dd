// Times the full repaint of a recorder-sized chart with a 1500-point trace:
// background, axes, labels, captions and the trace drawn in OnPainted, as
// the recorder's page does it. Prints the median, the 95th percentile and
// the slowest repaint.
// Build with -DCMAKE_BUILD_TYPE=Release for meaningful numbers.
#include "diagramm.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int repaints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    constexpr int kSamples = 1500;
    std::vector<double> volts(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        volts[i] = 2.5 + 2.4 * std::sin(i * 0.02) * std::cos(i * 0.003);
    }

    TDiagramm chart;
    chart.resize(760, 420);
    chart.setColor(QColor(1, 101, 118));
    chart.setColorGrid(Qt::lightGray);
    chart.setColorText(Qt::white);
    chart.setColorLine(Qt::yellow);
    chart.setCaptionY(QStringLiteral("Volt"));
    chart.setXmax(86400);
    chart.setYmax(5);
    chart.setYdiv(0.5);
    chart.setBorderRight(25);
    chart.setBorderTop(25);
    chart.setBorderBottom(25);
    QObject::connect(&chart, &TDiagramm::OnPainted, &chart, [&] {
        const double dx = 86400.0 / kSamples;
        for (int i = 1; i < kSamples; ++i) {
            chart.DrawLine((i - 1) * dx, volts[i - 1], i * dx, volts[i]);
        }
    });
    chart.Repaint(); // first paint allocates the picture

    std::vector<double> us;
    us.reserve(repaints);
    for (int r = 0; r < repaints; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        chart.Repaint();
        const auto t1 = std::chrono::steady_clock::now();
        us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    std::sort(us.begin(), us.end());
    std::printf("chart repaint, %d samples, %dx%d: median %.0f us, 95 %% %.0f us, max %.0f us "
                "(%d repaints)\n",
                kSamples, chart.width(), chart.height(), us[us.size() / 2],
                us[us.size() * 95 / 100], us.back(), repaints);
    return 0;
}
