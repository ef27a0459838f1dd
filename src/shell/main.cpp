#include "tform1.h"

#include <QApplication>
#include <QFontDatabase>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zentor"));
    QApplication::setApplicationVersion(QStringLiteral(ZENTOR_VERSION));

    // The window is laid out for an 8-point sans font (11 pixels).
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    QApplication::setFont(font);

    TForm1::StartOptions options;
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--sim"))
            options.simulator = true;
        else
            options.parameters.append(argument);
    }

    TForm1 window(options);
    window.show();
    return app.exec();
}
