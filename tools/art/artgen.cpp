// Writes the first page's picture and the application icons.
// Usage: zentor_artgen <resources directory>
// Writes zentor.jpg (quality 90), zentor.png (256 × 256) and zentor_<n>.png
// for the other sizes of the desktop's icon theme.
// The results are kept in the repository; run this (target zentor_art) after
// changing the drawing and commit them.
#include "board_art.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    // No window is shown: draw without a display unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) {
        std::fprintf(stderr,
                     "%s: the font family \"DejaVu Sans\" is missing "
                     "(Debian package fonts-dejavu-core)\n",
                     argv[0]);
        return 1;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));

    struct Output {
        const char* name;
        QImage image;
        int quality;
    };
    const Output outputs[] = {
        {"zentor.jpg", boardart::drawPicture(), 90},
        {"zentor.png", boardart::drawIcon(256), -1},
        {"zentor_16.png", boardart::drawIcon(16), -1},
        {"zentor_24.png", boardart::drawIcon(24), -1},
        {"zentor_32.png", boardart::drawIcon(32), -1},
        {"zentor_48.png", boardart::drawIcon(48), -1},
        {"zentor_64.png", boardart::drawIcon(64), -1},
        {"zentor_128.png", boardart::drawIcon(128), -1},
    };
    for (const Output& output : outputs) {
        const QString path = dir.filePath(QString::fromLatin1(output.name));
        if (!output.image.save(path, nullptr, output.quality)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(path));
            return 1;
        }
        std::printf("%s: %d x %d\n", qPrintable(path), output.image.width(), output.image.height());
    }
    return 0;
}
