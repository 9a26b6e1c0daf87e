// Start-up time and peak memory of the real Module_Varno executable.
//
// Each run starts the program with a configuration whose version does not match, with messages sent
// to a file: the version message is written by the main window's first activation, right after the
// window is shown, so the time from spawning the process to the message file appearing is the time
// from process start to the main window shown. Peak resident memory comes from wait4() once the
// process has ended. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
//
//   startup_bench [runs]
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

struct Sample {
    double shownMs;
    long peakKiB;
};

Sample runOnce(const std::filesystem::path& folder)
{
    const std::string log = (folder / "messages.log").string();
    std::filesystem::remove(log);
    setenv("VARNO_MESSAGE_LOG", log.c_str(), 1);
    setenv("QT_QPA_PLATFORM", getenv("QT_QPA_PLATFORM") ? getenv("QT_QPA_PLATFORM") : "offscreen", 1);
    const std::string temporary = (folder / "devis.xml").string();
    const std::string configuration = (folder / "config.ini").string();
    char* argv[] = {const_cast<char*>(MODULE_VARNO_EXE), const_cast<char*>(temporary.c_str()),
                    const_cast<char*>(configuration.c_str()), nullptr};

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, MODULE_VARNO_EXE, nullptr, nullptr, argv, environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    double shownMs = -1;
    int status = 0;
    rusage usage{};
    for (;;) {
        struct stat info {};
        if (shownMs < 0 && stat(log.c_str(), &info) == 0) {
            shownMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        }
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (shownMs < 0) {
        std::fprintf(stderr, "the program ended without showing its main window\n");
        std::exit(1);
    }
    return {shownMs, usage.ru_maxrss};
}

} // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const auto folder = std::filesystem::temp_directory_path() / ("varno-startup-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "config.ini") << "[General]\r\nVersion=0\r\nConfigurateur=ferd\r\nMode=chiffrage\r\n";

    runOnce(folder);  // warm the file cache
    std::vector<Sample> samples;
    for (int i = 0; i < runs; ++i) {
        samples.push_back(runOnce(folder));
    }
    std::filesystem::remove_all(folder);

    std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.shownMs < b.shownMs; });
    long peak = 0;
    for (const Sample& sample : samples) {
        peak = std::max(peak, sample.peakKiB);
    }
    std::printf("Module_Varno start-up over %d runs (platform %s)\n", runs, getenv("QT_QPA_PLATFORM"));
    std::printf("  process start to main window shown: median %.1f ms, min %.1f ms, max %.1f ms\n",
                samples[samples.size() / 2].shownMs, samples.front().shownMs, samples.back().shownMs);
    std::printf("  peak resident memory: %.1f MiB (largest of all runs)\n", static_cast<double>(peak) / 1024.0);
    return 0;
}
