#include "command_line.h"

#include <QLatin1StringView>

#include <array>

namespace zentor {

namespace {

// Qt's options that take the next argument as their value, and those that
// take none. Qt accepts them with one dash or two.
constexpr std::array kQtOptionsWithValue{
    QLatin1StringView("platform"),        QLatin1StringView("platformpluginpath"),
    QLatin1StringView("platformtheme"),   QLatin1StringView("plugin"),
    QLatin1StringView("qwindowgeometry"), QLatin1StringView("qwindowicon"),
    QLatin1StringView("qwindowtitle"),    QLatin1StringView("session"),
    QLatin1StringView("display"),         QLatin1StringView("geometry"),
    QLatin1StringView("style"),           QLatin1StringView("stylesheet"),
};
constexpr std::array kQtFlags{QLatin1StringView("reverse"), QLatin1StringView("widgetcount")};
// Qt's options written as name=value in one argument.
constexpr std::array kQtOptionsWithEquals{QLatin1StringView("style="),
                                          QLatin1StringView("stylesheet="),
                                          QLatin1StringView("qmljsdebugger=")};

template <std::size_t N>
bool contains(const std::array<QLatin1StringView, N>& names, QStringView name) {
    for (QLatin1StringView candidate : names)
        if (name == candidate)
            return true;
    return false;
}

template <std::size_t N>
bool startsWithAny(const std::array<QLatin1StringView, N>& prefixes, QStringView name) {
    for (QLatin1StringView prefix : prefixes)
        if (name.startsWith(prefix))
            return true;
    return false;
}

} // namespace

QString usageText() {
    return QStringLiteral(
        "Aufruf: zentor [OPTION]... [DATEI]\n"
        "Das PC-Programm der Zentor-Mikrocontroller-Lernplatine.\n"
        "DATEI wird beim Start geöffnet: ein Programm (*.z) auf der Seite \"Programm\",\n"
        "eine Messung (*.zmess) auf ihrer Messseite.\n"
        "\n"
        "      --sim      die eingebaute simulierte Platine als Anschluss für diesen Lauf\n"
        "  -h, --help     diesen Text zeigen und beenden\n"
        "      --version  die Version zeigen und beenden\n"
        "\n"
        "Die Optionen von Qt (-platform, -style, -session, ...) gehen an Qt weiter.\n");
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    auto refuse = [&result](const QString& why) {
        result.action = CommandLine::Action::Refuse;
        result.error = why;
        return result;
    };

    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        // A lone "-" is a file name, as in every GNU program.
        if (optionsEnded || !argument.startsWith(u'-') || argument == QStringLiteral("-")) {
            result.parameters.append(argument);
            continue;
        }
        if (argument == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            result.action = CommandLine::Action::Help;
            return result;
        } else if (argument == QStringLiteral("--version")) {
            result.action = CommandLine::Action::Version;
            return result;
        } else if (argument == QStringLiteral("--sim")) {
            result.simulator = true;
        } else {
            const QStringView name =
                QStringView(argument).mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
            if (contains(kQtOptionsWithValue, name)) {
                if (i + 1 >= arguments.size())
                    return refuse(QStringLiteral("Option '%1' braucht einen Wert").arg(argument));
                ++i;
            } else if (!contains(kQtFlags, name) && !startsWithAny(kQtOptionsWithEquals, name)) {
                return refuse(QStringLiteral("unbekannte Option '%1'").arg(argument));
            }
        }
    }
    // A measurement file opens on its page instead of a program.
    if (!result.parameters.isEmpty() &&
        result.parameters.front().endsWith(QStringLiteral(".zmess"), Qt::CaseInsensitive))
        result.measurementFile = result.parameters.takeFirst();
    return result;
}

} // namespace zentor
