// Positions for assistive tools in the screen's own pixels.
//
// Qt 6.4 tells assistive tools where a control lies in device-independent
// pixels. At a scale of 200 % a button drawn at (400, 300) on the screen is
// reported at (200, 150), so a screen magnifier that follows the focus
// shows the wrong part of the screen, and a click by position misses.
//
// Qt answers assistive tools through one object on the accessibility bus.
// takeOverPositions() puts an object in front of it that answers every
// question carrying a position itself, in the screen's pixels, and hands
// all other questions on to Qt's object unchanged.
#pragma once

#include <QDBusObjectPath>
#include <QMetaType>
#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>

class QAccessibleInterface;
class QDBusArgument;
class QDBusMessage;

namespace zentor::access {

// How the tool asks for a position: on the screen, in the window, or in the
// parent control (the coordinate types of the accessibility bus).
enum class Origin : uint { Screen = 0, Window = 1, Parent = 2 };

// Where `logical`, a rectangle in Qt's global device-independent pixels
// belonging to `control`, lies in the screen's pixels, counted from `origin`.
QRect devicePixels(const QAccessibleInterface& control, const QRect& logical, Origin origin);

// The other way round: the global device-independent point at `device`.
QPoint logicalPoint(const QAccessibleInterface& control, const QPoint& device, Origin origin);

// A control named on the bus: the program's bus name and the control's
// path, the answer to GetAccessibleAtPoint.
struct ObjectReference {
    QString service;
    QDBusObjectPath path;
};
QDBusArgument& operator<<(QDBusArgument& argument, const ObjectReference& reference);
const QDBusArgument& operator>>(const QDBusArgument& argument, ObjectReference& reference);

// The answer to a question of an assistive tool that carries a position
// (Component: GetExtents, GetPosition, GetSize, Contains,
// GetAccessibleAtPoint; Text: GetCharacterExtents, GetRangeExtents,
// GetOffsetAtPoint), or nothing for any other question. `service` is the
// program's name on the bus, part of the answer to GetAccessibleAtPoint.
std::optional<QDBusMessage> answerInDevicePixels(const QDBusMessage& question,
                                                 const QString& service);

// Watches for an assistive tool and, once Qt has put its object on the
// accessibility bus, puts the answering in front of it. Later calls do
// nothing.
void takeOverPositions();

} // namespace zentor::access

Q_DECLARE_METATYPE(zentor::access::ObjectReference)
