// A probe for the tests that start the real program: a Qt "generic" plugin
// that the program loads when its environment says
//
//     QT_PLUGIN_PATH=<the folder above "generic/">
//     QT_QPA_GENERIC_PLUGINS=zentorboxprobe
//     ZENTOR_BOX_PROBE_FILE=<a file>
//
// and that appends a line to the file each time a message box is shown:
// "shown", the box's caption and its text, separated by tabs. A test that
// wants to act while a box waits for its answer waits for that line. The
// program knows nothing of the probe; it is Qt that loads it.
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGenericPlugin>
#include <QVariant>

#include <utility>

namespace {

class BoxProbe : public QObject {
public:
    explicit BoxProbe(QString path) : m_path(std::move(path)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->inherits("QMessageBox")) {
            QString text = watched->property("text").toString();
            text.replace(u'\n', u' ');
            const QString line = QStringLiteral("shown\t%1\t%2\n")
                                     .arg(watched->property("windowTitle").toString(), text);
            QFile file(m_path);
            if (file.open(QIODevice::WriteOnly | QIODevice::Append))
                file.write(line.toUtf8());
        }
        return false;
    }

private:
    QString m_path;
};

} // namespace

class BoxProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "box_probe_plugin.json")

public:
    QObject* create(const QString&, const QString&) override {
        const QString path = qEnvironmentVariable("ZENTOR_BOX_PROBE_FILE");
        if (path.isEmpty() || QCoreApplication::instance() == nullptr)
            return nullptr;
        auto* probe = new BoxProbe(path);
        QCoreApplication::instance()->installEventFilter(probe);
        return probe;
    }
};

#include "box_probe_plugin.moc"
