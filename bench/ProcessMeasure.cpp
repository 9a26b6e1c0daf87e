#include "bench/ProcessMeasure.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

namespace varno::bench {

ProcessRun runModuleVarno(const std::vector<std::string>& arguments, const std::string& messageLog,
                          const std::string& watchedFile, const std::vector<std::string>& command)
{
    setenv("VARNO_MESSAGE_LOG", messageLog.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return runCommand(MODULE_VARNO_EXE, command, arguments, watchedFile);
}

ProcessRun runBareWindow(const std::string& shownFile, const std::vector<std::string>& command)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return runCommand(BARE_WINDOW_EXE, command, {shownFile}, shownFile);
}

ProcessRun runCommand(const std::string& program, const std::vector<std::string>& command,
                      const std::vector<std::string>& arguments, const std::string& watchedFile)
{
    if (command.empty()) {
        return runMeasured(program, arguments, watchedFile);
    }
    std::vector<std::string> all(command.begin() + 1, command.end());
    all.insert(all.end(), arguments.begin(), arguments.end());
    return runMeasured(command.front(), all, watchedFile);
}

ProcessRun runMeasured(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& watchedFile)
{
    if (!watchedFile.empty()) {
        std::filesystem::remove(watchedFile);
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const auto elapsedMs = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + program);
    }
    ProcessRun run{0, -1, 0};
    int status = 0;
    rusage usage{};
    for (;;) {
        struct stat info {};
        if (run.watchedMs < 0 && !watchedFile.empty() && stat(watchedFile.c_str(), &info) == 0) {
            run.watchedMs = elapsedMs();
        }
        if (wait4(pid, &status, WNOHANG, &usage) == pid) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    run.wallMs = elapsedMs();
    run.peakKiB = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(program + " did not end well");
    }
    return run;
}

} // namespace varno::bench
