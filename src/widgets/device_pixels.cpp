#include "device_pixels.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <utility>

namespace zentor::access {

namespace {

// The object through which Qt answers for every control, and the names it
// gives them on the accessibility bus.
const QString kControlsPath = QStringLiteral("/org/a11y/atspi/accessible");
const QString kRootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString kNullPath = QStringLiteral("/org/a11y/atspi/null");
const QString kComponent = QStringLiteral("org.a11y.atspi.Component");
const QString kText = QStringLiteral("org.a11y.atspi.Text");

// Qt keeps a screen's top-left corner where the screen has it and scales
// everything right and below it by the window's pixel ratio.
struct Scale {
    QPoint screenCorner;
    qreal ratio = 1.0;

    QPoint toDevice(QPoint p) const {
        const QPointF offset = QPointF(p - screenCorner) * ratio;
        return screenCorner + offset.toPoint();
    }
    QPoint toLogical(QPoint p) const {
        const QPointF offset = QPointF(p - screenCorner) / ratio;
        return screenCorner + offset.toPoint();
    }
    QRect toDevice(const QRect& r) const {
        return {toDevice(r.topLeft()),
                QSize(qRound(r.width() * ratio), qRound(r.height() * ratio))};
    }
};

Scale scaleOf(const QAccessibleInterface& control) {
    const QWindow* window = control.window();
    const QScreen* screen = window != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    return {screen != nullptr ? screen->geometry().topLeft() : QPoint(),
            window != nullptr ? window->devicePixelRatio() : qApp->devicePixelRatio()};
}

// The window a control lies in: its ancestor just below the application.
const QAccessibleInterface& windowOf(const QAccessibleInterface& control) {
    const QAccessibleInterface* node = &control;
    for (const QAccessibleInterface* up = node->parent();
         up != nullptr && up->role() != QAccessible::Application; up = up->parent())
        node = up;
    return *node;
}

// Where positions are counted from, in the screen's pixels.
QPoint originOf(const QAccessibleInterface& control, Origin origin, const Scale& scale) {
    switch (origin) {
    case Origin::Window:
        return scale.toDevice(windowOf(control).rect().topLeft());
    case Origin::Parent:
        if (const QAccessibleInterface* parent = control.parent())
            return scale.toDevice(parent->rect().topLeft());
        return {};
    case Origin::Screen:
        break;
    }
    return {};
}

QAccessibleInterface* controlAt(const QString& path) {
    if (path == kRootPath)
        return QAccessible::queryAccessibleInterface(qApp);
    if (!path.startsWith(kControlsPath + u'/'))
        return nullptr;
    bool ok = false;
    const QAccessible::Id id = QStringView(path).mid(kControlsPath.size() + 1).toUInt(&ok);
    return ok ? QAccessible::accessibleInterface(id) : nullptr;
}

QString pathOf(QAccessibleInterface* control) {
    if (control == nullptr || !control->isValid())
        return kNullPath;
    if (control->role() == QAccessible::Application)
        return kRootPath;
    return kControlsPath + u'/' + QString::number(QAccessible::uniqueId(control));
}

// The innermost control under a point, as Qt looks for it.
QAccessibleInterface* innermostAt(QAccessibleInterface& control, QPoint logical) {
    QAccessibleInterface* found = nullptr;
    for (QAccessibleInterface* child = control.childAt(logical.x(), logical.y()); child != nullptr;
         child = child->childAt(logical.x(), logical.y()))
        found = child;
    return found;
}

QVariantList corners(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

std::optional<QDBusMessage> answerComponent(const QDBusMessage& question, const QString& service,
                                            QAccessibleInterface& control) {
    const QVariantList args = question.arguments();
    const QString& member = question.member();
    const auto origin = [&args](int i) { return static_cast<Origin>(args.at(i).toUInt()); };
    const auto point = [&](Origin from) {
        return logicalPoint(control, QPoint(args.at(0).toInt(), args.at(1).toInt()), from);
    };
    if (member == u"GetExtents" && args.size() == 1)
        return question.createReply(
            QVariant::fromValue(devicePixels(control, control.rect(), origin(0))));
    if (member == u"GetPosition" && args.size() == 1) {
        const QRect place = devicePixels(control, control.rect(), origin(0));
        return question.createReply(QVariantList{place.x(), place.y()});
    }
    if (member == u"GetSize" && args.isEmpty()) {
        const QRect place = devicePixels(control, control.rect(), Origin::Screen);
        return question.createReply(QVariantList{place.width(), place.height()});
    }
    if (member == u"Contains" && args.size() == 3)
        return question.createReply(control.rect().contains(point(origin(2))));
    if (member == u"GetAccessibleAtPoint" && args.size() == 3) {
        const ObjectReference found{
            service, QDBusObjectPath(pathOf(innermostAt(control, point(origin(2)))))};
        return question.createReply(QVariant::fromValue(found));
    }
    return std::nullopt;
}

std::optional<QDBusMessage> answerText(const QDBusMessage& question,
                                       QAccessibleInterface& control) {
    QAccessibleTextInterface* text = control.textInterface();
    if (text == nullptr)
        return std::nullopt;
    const QVariantList args = question.arguments();
    const QString& member = question.member();
    if (member == u"GetCharacterExtents" && args.size() == 2) {
        const QRect glyph = text->characterRect(args.at(0).toInt());
        return question.createReply(
            corners(devicePixels(control, glyph, static_cast<Origin>(args.at(1).toUInt()))));
    }
    if (member == u"GetRangeExtents" && args.size() == 3) {
        const int start = args.at(0).toInt();
        const int end = args.at(1).toInt() < 0 ? text->characterCount() : args.at(1).toInt();
        if (end <= start)
            return question.createReply(QVariantList{-1, -1, 0, 0}); // as Qt says "nothing"
        QRect range = text->characterRect(start);
        for (int i = start + 1; i < end; ++i)
            range |= text->characterRect(i);
        return question.createReply(
            corners(devicePixels(control, range, static_cast<Origin>(args.at(2).toUInt()))));
    }
    if (member == u"GetOffsetAtPoint" && args.size() == 3) {
        const QPoint at = logicalPoint(control, QPoint(args.at(0).toInt(), args.at(1).toInt()),
                                       static_cast<Origin>(args.at(2).toUInt()));
        return question.createReply(text->offsetAtPoint(at));
    }
    return std::nullopt;
}

// Answers the questions that carry a position and passes every other one
// to Qt's object, its parent.
class DevicePixelAnswers final : public QDBusVirtualObject {
public:
    explicit DevicePixelAnswers(QDBusVirtualObject* qt) : QDBusVirtualObject(qt), m_qt(qt) {}

    QString introspect(const QString& path) const override { return m_qt->introspect(path); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (const auto answer = answerInDevicePixels(message, connection.baseService()))
            return connection.send(*answer);
        return m_qt->handleMessage(message, connection);
    }

private:
    QDBusVirtualObject* const m_qt;
};

// True once the answering stands in front of Qt's object.
bool putInFront() {
    if (!QAccessible::isActive())
        return false;
    // The connection Qt opens to the accessibility bus for its object.
    QDBusConnection bus(QStringLiteral("a11y"));
    if (!bus.isConnected())
        return false;
    auto* qt = qobject_cast<QDBusVirtualObject*>(bus.objectRegisteredAt(kControlsPath));
    if (qt == nullptr)
        return false;
    if (dynamic_cast<DevicePixelAnswers*>(qt) != nullptr)
        return true;
    auto* ours = new DevicePixelAnswers(qt);
    bus.unregisterObject(kControlsPath, QDBusConnection::UnregisterTree);
    if (bus.registerVirtualObject(kControlsPath, ours, QDBusConnection::SubPath))
        return true;
    // Qt keeps answering by itself, in its own pixels.
    bus.registerVirtualObject(kControlsPath, qt, QDBusConnection::SubPath);
    delete ours;
    return true;
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const ObjectReference& reference) {
    argument.beginStructure();
    argument << reference.service << reference.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ObjectReference& reference) {
    argument.beginStructure();
    argument >> reference.service >> reference.path;
    argument.endStructure();
    return argument;
}

QRect devicePixels(const QAccessibleInterface& control, const QRect& logical, Origin origin) {
    const Scale scale = scaleOf(control);
    return scale.toDevice(logical).translated(-originOf(control, origin, scale));
}

QPoint logicalPoint(const QAccessibleInterface& control, const QPoint& device, Origin origin) {
    const Scale scale = scaleOf(control);
    return scale.toLogical(device + originOf(control, origin, scale));
}

std::optional<QDBusMessage> answerInDevicePixels(const QDBusMessage& question,
                                                 const QString& service) {
    static const QMetaType referenceType = qDBusRegisterMetaType<ObjectReference>();
    (void)referenceType;
    const bool component = question.interface() == kComponent;
    if (!component && question.interface() != kText)
        return std::nullopt;
    QAccessibleInterface* control = controlAt(question.path());
    if (control == nullptr || !control->isValid())
        return std::nullopt; // Qt tells the tool that the control is gone
    return component ? answerComponent(question, service, *control)
                     : answerText(question, *control);
}

void takeOverPositions() {
    static bool watching = false;
    if (std::exchange(watching, true))
        return;
    // Qt puts its object on the bus when an assistive tool starts to
    // listen, which may be long after the program's start; the focus moves
    // before the tool asks where a control is.
    auto* watcher = new QObject(qApp);
    const auto tryNow = [watcher] {
        if (putInFront())
            watcher->deleteLater();
    };
    QObject::connect(qApp, &QApplication::focusChanged, watcher, tryNow);
    QTimer::singleShot(0, watcher, tryNow);
}

} // namespace zentor::access
