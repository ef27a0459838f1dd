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
        "Usage: zentor [OPTION]... [FILE]\n"
        "The PC front end of the Zentor microcontroller board (German user interface).\n"
        "FILE, a program file (*.z), is opened on the page \"Programm\" at start.\n"
        "\n"
        "      --sim      use the built-in simulated board as the port for this run\n"
        "  -h, --help     show this text and exit\n"
        "      --version  show the version and exit\n"
        "\n"
        "Qt's own options (-platform, -style, -session, ...) are passed on to Qt.\n");
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
                    return refuse(QStringLiteral("option '%1' requires an argument").arg(argument));
                ++i;
            } else if (!contains(kQtFlags, name) && !startsWithAny(kQtOptionsWithEquals, name)) {
                return refuse(QStringLiteral("unrecognized option '%1'").arg(argument));
            }
        }
    }
    return result;
}

} // namespace zentor
