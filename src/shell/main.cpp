#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("ZENTOR"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Zentor"));
    window.show();
    return app.exec();
}
