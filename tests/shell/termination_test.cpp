// The real program, ended from outside shortly after its listing changed:
// by SIGTERM it ends on its own and saves; by SIGKILL nothing runs at the
// end, and the autosave must already hold the change.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// The program file given on the command line: a change of the listing
// against the initial one.
const QByteArray kProgram = "L1: Ende\r\n\tBeep\r\n\tGoto L1: Ende\r\n";

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Polls `done` every 20 ms for at most `limit`.
template <typename Done> bool waitFor(Done done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// True once the process catches `signalNumber` (its handler is installed).
bool catches(pid_t pid, int signalNumber) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1;
    return false;
}

class Termination : public ::testing::TestWithParam<int> {};

TEST_P(Termination, TheAutosaveHoldsTheChange) {
    const int signalNumber = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString programPath = dir.filePath(QStringLiteral("aufgabe.z"));
    QFile program(programPath);
    ASSERT_TRUE(program.open(QIODevice::WriteOnly) && program.write(kProgram) == kProgram.size());
    program.close();
    const QString autosave = dir.filePath(QStringLiteral("zentor/sp2.$$$"));

    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    std::string binary = ZENTOR_PATH;
    std::string simOption = "--sim";
    std::string file = QFile::encodeName(programPath).toStdString();
    std::vector<char*> argv{binary.data(), simOption.data(), file.data(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, binary.c_str(), nullptr, nullptr, argv.data(), environ), 0);

    int status = 0;
    if (signalNumber == SIGKILL) {
        // Nothing runs at a SIGKILL: the autosave follows the change by itself.
        EXPECT_TRUE(waitFor([&] { return contents(autosave) == kProgram; }, 60s));
    } else {
        ASSERT_TRUE(waitFor([&] { return catches(pid, signalNumber); }, 60s));
    }
    kill(pid, signalNumber);
    ASSERT_TRUE(waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 60s))
        << "still running after the signal";
    if (signalNumber != SIGKILL) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    EXPECT_EQ(contents(autosave), kProgram);
}

INSTANTIATE_TEST_SUITE_P(Signals, Termination, ::testing::Values(SIGTERM, SIGHUP, SIGINT, SIGKILL),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

} // namespace

namespace {

// A termination request while a box of the start-up waits for an answer (the
// first-start box without a port, the error box of a missing program file)
// ends the program as at any other time. The probe plugin (box_probe/) tells
// when the box is up; the signal goes only then.
class StartUpBox : public ::testing::TestWithParam<bool> {};

// Sets an environment variable for the programs started from here, and
// restores it at the end of the scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnvironment() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

TEST_P(StartUpBox, SigtermEndsTheProgram) {
    const bool missingFile = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    const QString probeFile = dir.filePath(QStringLiteral("boxes.txt"));
    const ScopedEnvironment pluginPath("QT_PLUGIN_PATH", ZENTOR_PROBE_PLUGIN_PATH);
    const ScopedEnvironment plugins("QT_QPA_GENERIC_PLUGINS", "zentorboxprobe");
    const ScopedEnvironment probe("ZENTOR_BOX_PROBE_FILE", QFile::encodeName(probeFile));
    std::string binary = ZENTOR_PATH;
    std::string simOption = "--sim";
    const QString missing = dir.filePath(QStringLiteral("fehlt.z"));
    std::string file = QFile::encodeName(missing).toStdString();
    std::vector<char*> argv{binary.data()};
    if (missingFile) {
        argv.push_back(simOption.data());
        argv.push_back(file.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, binary.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    const auto reap = qScopeGuard([pid] {
        if (waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    });

    // The box is up, and waits for its answer.
    ASSERT_TRUE(waitFor([&] { return contents(probeFile).startsWith("shown\t"); }, 60s))
        << "no box was shown";
    const QList<QByteArray> box = contents(probeFile).split('\t');
    ASSERT_GE(box.size(), 3);
    if (missingFile) {
        EXPECT_EQ(box[1], "Fehler");
        EXPECT_TRUE(box[2].contains(QFile::encodeName(QFileInfo(missing).fileName())))
            << box[2].toStdString();
    }
    ASSERT_TRUE(catches(pid, SIGTERM));
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_TRUE(waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 60s))
        << "still running after the signal";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    // One box, the one the signal ended: none came after it.
    EXPECT_EQ(contents(probeFile).count("shown\t"), 1) << contents(probeFile).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Boxes, StartUpBox, ::testing::Values(false, true),
                         [](const auto& info) {
                             return std::string(info.param ? "MissingFile" : "FirstStart");
                         });

} // namespace
