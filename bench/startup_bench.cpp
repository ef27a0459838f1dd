// Start-up of the real program: the time from starting the `zentor` binary
// (connected to its built-in simulated board, off screen) until its main
// window has been painted for the first time, and the peak resident memory
// of that run. The program reports its first paint on standard output when
// ZENTOR_REPORT_FIRST_PAINT is set, and quits.
#include "bench_report.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

namespace {

constexpr int kRuns = 5;
constexpr int kGiveUpMs = 20'000;
constexpr double kFirstPaintTargetMs = 1000.0;
constexpr double kPeakMemoryTargetMiB = 150.0;

struct StartFigures {
    bool ok = false;
    std::string error;
    double firstPaintMs = 0; // from the spawn until the report line arrived
    double reportedMs = 0;   // as the program measured it from main()
    double peakMiB = 0;      // the run's peak resident memory
};

// The environment of the run: ours, with the window off screen, the report
// asked for and the settings in a folder of their own.
std::vector<std::string> environmentFor(const QString& configFolder) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("QT_QPA_PLATFORM=", 0) == 0 || entry.rfind("XDG_CONFIG_HOME=", 0) == 0 ||
            entry.rfind("ZENTOR_REPORT_FIRST_PAINT=", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("ZENTOR_REPORT_FIRST_PAINT=1");
    env.push_back("XDG_CONFIG_HOME=" + configFolder.toStdString());
    return env;
}

StartFigures startOnce() {
    StartFigures figures;
    QTemporaryDir config;
    if (!config.isValid()) {
        figures.error = "no temporary folder";
        return figures;
    }
    std::vector<std::string> env = environmentFor(config.path());
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = ZENTOR_BINARY;
    std::string option = "--sim";
    char* argv[] = {program.data(), option.data(), nullptr};

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        figures.error = "no pipe";
        return figures;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    pid_t pid = -1;
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        figures.error = "cannot start " + program + ": " + std::strerror(spawned);
        return figures;
    }

    std::string output;
    bool reported = false;
    while (!reported) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        pollfd p{fds[0], POLLIN, 0};
        if (elapsed >= kGiveUpMs || poll(&p, 1, static_cast<int>(kGiveUpMs - elapsed)) <= 0)
            break;
        char buffer[256];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(n));
        reported = output.find('\n') != std::string::npos;
    }
    figures.firstPaintMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    close(fds[0]);
    if (!reported)
        kill(pid, SIGKILL); // no report in time: the figure is void
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        figures.error = "lost the program";
        return figures;
    }
    figures.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
    long long ms = 0;
    if (!reported || std::sscanf(output.c_str(), "first paint %lld ms", &ms) != 1) {
        figures.error = reported ? "unexpected report \"" + output + "\""
                                 : "no first paint within " + std::to_string(kGiveUpMs) + " ms";
        return figures;
    }
    figures.reportedMs = static_cast<double>(ms);
    figures.ok = true;
    return figures;
}

} // namespace

void runStartupBenchmark() {
    std::printf("Start of zentor --sim (off screen) until its first painted window, %d runs\n",
                kRuns);
    std::vector<double> times, peaks;
    for (int run = 0; run < kRuns; ++run) {
        const StartFigures f = startOnce();
        if (!f.ok) {
            fail("start-up: first painted window", "run " + std::to_string(run) + ": " + f.error);
            continue;
        }
        std::printf("  run %d: first paint %.1f ms after the start (%.0f ms after main() began); "
                    "peak resident memory %.1f MiB\n",
                    run, f.firstPaintMs, f.reportedMs, f.peakMiB);
        times.push_back(f.firstPaintMs);
        peaks.push_back(f.peakMiB);
    }
    if (times.empty())
        return;
    std::printf("  targets chosen for a small desktop program: first paint within %.0f ms, "
                "at most %.0f MiB resident\n",
                kFirstPaintTargetMs, kPeakMemoryTargetMiB);
    report("start-up: median time to the first painted window", statsOf(times).median,
           kFirstPaintTargetMs, "ms");
    report("start-up: peak resident memory (largest run)", statsOf(peaks).max, kPeakMemoryTargetMiB,
           "MiB");
}

} // namespace bench
