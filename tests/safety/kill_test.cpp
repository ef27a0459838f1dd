// Kills a process with SIGKILL at random moments while it writes the
// autosave file, a program file and a profile file through the program's own
// writers, and checks after every kill that each file holds one of its two
// complete versions. Also counts the kills that landed while a temporary file
// was open, and what the writers leave behind in the folders.
#include "profile.h"
#include "program_file.h"
#include "safety_contents.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A file the writer rewrites and its two versions.
struct Target {
    QString path;
    QByteArray versions[2];
    int seen[2] = {0, 0};  // kills after which the file held version 0 / 1
    int midWrite = 0;      // kills while the writer had a temporary file open here
    int foreign = 0;       // files left in the folder that are no temporary of this one
    QStringList leftovers; // temporary files left in the folder at the end
};

// The writer, started with its output on a pipe.
class WriterProcess {
public:
    explicit WriterProcess(const std::vector<std::string>& arguments) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        std::vector<char*> argv;
        std::string program = SAFETY_WRITER_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (std::string& a : copies)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_output = fds[0];
    }
    ~WriterProcess() {
        killNow();
        if (m_output >= 0)
            close(m_output);
    }

    // Waits up to `timeoutMs` for the writer's "ready" line.
    bool waitReady(int timeoutMs) {
        if (m_pid <= 0)
            return false;
        std::string text;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (text.find("ready\n") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{m_output, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char buffer[64];
            const ssize_t n = read(m_output, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }

    // The folders of the files the writer has open whose names are not
    // `finals` (its temporary files), read from /proc.
    std::set<QString> foldersOfOpenTemporaries(const std::set<QString>& finals) const {
        std::set<QString> folders;
        const QDir fdDir(QStringLiteral("/proc/%1/fd").arg(m_pid));
        for (const QString& fd : fdDir.entryList(QDir::Files | QDir::System)) {
            const QString target = QFileInfo(fdDir.filePath(fd)).symLinkTarget();
            if (target.isEmpty() || !target.startsWith(u'/') || finals.count(target) > 0)
                continue;
            // An unnamed temporary file shows as "<folder>/#<inode> (deleted)".
            folders.insert(QFileInfo(target.section(u' ', 0, 0)).absolutePath());
        }
        return folders;
    }

    // Kills the writer and reaps it; true when it died of the SIGKILL.
    bool killNow() {
        if (m_pid <= 0)
            return false;
        kill(m_pid, SIGKILL);
        int status = 0;
        const pid_t reaped = waitpid(m_pid, &status, 0);
        m_pid = -1;
        return reaped > 0 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

private:
    pid_t m_pid = -1;
    int m_output = -1;
};

// Kills the writer `kills` times at random moments and checks the targets
// after each kill. The random delay after "ready" spans several write rounds.
void killRepeatedly(std::vector<Target>& targets, const std::vector<std::string>& arguments,
                    int kills, int maxDelayMicros) {
    std::random_device device;
    const unsigned seed = device();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, maxDelayMicros);
    SCOPED_TRACE("random seed " + std::to_string(seed));

    std::set<QString> finals;
    for (const Target& t : targets)
        finals.insert(QFileInfo(t.path).absoluteFilePath());

    for (int kill = 0; kill < kills; ++kill) {
        WriterProcess writer(arguments);
        ASSERT_TRUE(writer.waitReady(10'000)) << "the writer did not start, kill " << kill;
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        const std::set<QString> open = writer.foldersOfOpenTemporaries(finals);
        ASSERT_TRUE(writer.killNow()) << "the writer ended before the kill " << kill;

        for (Target& t : targets) {
            const QString folder = QFileInfo(t.path).absolutePath();
            t.midWrite += open.count(folder) > 0 ? 1 : 0;
            const std::optional<QByteArray> bytes = zentor::readFileBytes(t.path);
            ASSERT_TRUE(bytes.has_value()) << qPrintable(t.path) << " missing after kill " << kill;
            const int version = *bytes == t.versions[0] ? 0 : *bytes == t.versions[1] ? 1 : -1;
            ASSERT_NE(version, -1)
                << qPrintable(t.path) << " holds " << bytes->size() << " bytes after kill " << kill
                << ", neither version (" << t.versions[0].size() << " or " << t.versions[1].size()
                << " bytes)";
            ++t.seen[version];
        }
    }

    for (Target& t : targets) {
        const QFileInfo info(t.path);
        const QStringList names = info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : names) {
            if (name == info.fileName())
                continue;
            if (name.startsWith(info.fileName() + u'.'))
                t.leftovers.append(name);
            else if (!finals.count(info.dir().absoluteFilePath(name)))
                ++t.foreign;
        }
        std::printf("%s: %d kills, %d with a temporary file open, old version %d, new version "
                    "%d, temporary files left: %lld\n",
                    qPrintable(info.fileName()), kills, t.midWrite, t.seen[0], t.seen[1],
                    static_cast<long long>(t.leftovers.size()));
        // QSaveFile writes into an unnamed file where the file system has
        // them; a kill between naming the finished file and renaming it
        // over the old one leaves a whole copy behind. Elsewhere a kill
        // inside the write leaves the named temporary file as it was.
        for (const QString& name : t.leftovers) {
            const QByteArray left =
                zentor::readFileBytes(info.dir().filePath(name)).value_or(QByteArray());
            const bool whole = left == t.versions[0] || left == t.versions[1];
            std::printf("  left: %s, %lld bytes, %s\n", qPrintable(name),
                        static_cast<long long>(left.size()), whole ? "a whole version" : "partial");
        }
        // Every version seen whole, kills inside the writes, no other files.
        EXPECT_GT(t.midWrite, 0) << qPrintable(t.path) << ": no kill landed inside a write";
        EXPECT_EQ(t.foreign, 0) << qPrintable(t.path) << ": files of unknown origin appeared";
    }
}

// Writes version 0 of each target through the program's writers.
void writeVersion0(const Target& t, bool ini) {
    if (ini) {
        ProfileFile profile(t.path);
        ASSERT_TRUE(
            profile.writeString(safety::kIniSection, safety::kIniKey, safety::iniValueVersion(0)));
    } else {
        ASSERT_TRUE(zentor::writeFileAtomically(t.path, t.versions[0]));
    }
    ASSERT_EQ(zentor::readFileBytes(t.path), t.versions[0]);
}

// The profile file's two versions as the profile writer makes them from a
// file that holds a few other entries.
std::vector<QByteArray> iniVersions(const QString& scratch) {
    ProfileFile profile(scratch);
    profile.writeString(QStringLiteral("Zentor"), QStringLiteral("COM"), QStringLiteral("2"));
    profile.writeString(QStringLiteral("Zentor"), QStringLiteral("Sim"), QStringLiteral("0"));
    std::vector<QByteArray> versions;
    for (int v : {0, 1}) {
        profile.writeString(safety::kIniSection, safety::kIniKey, safety::iniValueVersion(v));
        versions.push_back(zentor::readFileBytes(scratch).value_or(QByteArray()));
    }
    return versions;
}

constexpr int kProgramKills = 200;
constexpr int kIniKills = 50;
constexpr int kMaxDelayMicros = 40'000;

TEST(SafetyKill, AutosaveAndProgramFileHoldAWholeVersionAfterEveryKill) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toLocal8Bit());
    const QString autosave = zentor::autosavePath();
    ASSERT_TRUE(autosave.startsWith(root.path()));

    std::vector<Target> targets(2);
    targets[0].path = autosave;
    targets[1].path = root.filePath(QStringLiteral("programme/Lauflicht.z"));
    for (Target& t : targets) {
        t.versions[0] = zentor::programFileBytes(safety::listingVersion(0));
        t.versions[1] = zentor::programFileBytes(safety::listingVersion(1));
        ASSERT_GE(t.versions[0].size(), 200'000);
        writeVersion0(t, false);
    }
    killRepeatedly(targets, {"--autosave", "--program", targets[1].path.toStdString()},
                   kProgramKills, kMaxDelayMicros);
}

TEST(SafetyKill, ProfileFileHoldsAWholeVersionAfterEveryKill) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const std::vector<QByteArray> versions =
        iniVersions(root.filePath(QStringLiteral("scratch/zentor.ini")));
    ASSERT_NE(versions[0], versions[1]);

    std::vector<Target> targets(1);
    Target& ini = targets[0];
    ini.path = root.filePath(QStringLiteral("config/zentor.ini"));
    ini.versions[0] = versions[0];
    ini.versions[1] = versions[1];
    ASSERT_TRUE(QDir().mkpath(QFileInfo(ini.path).absolutePath()));
    ASSERT_TRUE(QFile::copy(root.filePath(QStringLiteral("scratch/zentor.ini")), ini.path));
    // The scratch file holds version 1 now; the test starts from version 0.
    writeVersion0(ini, true);
    killRepeatedly(targets, {"--ini", ini.path.toStdString()}, kIniKills, kMaxDelayMicros);
}

} // namespace
