// Start-up time and peak memory of the real Module_Varno executable.
//
// Each run starts the program with a configuration whose version does not match, with messages sent
// to a file: the version message is written by the main window's first activation, right after the
// window is shown, so the time from spawning the process to the message file appearing is the time
// from process start to the main window shown. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM
// says otherwise (QT_QPA_PLATFORM=xcb under Xvfb gives a real X11 window).
//
//   startup_bench [runs] [command...]
//
// A command replaces the built program, for the Windows build under Wine (with a running wineserver,
// and QT_QPA_FONTDIR for the offscreen platform):
//   startup_bench 20 ~/.cache/module-varno/varno-mingw/bin/varno-wine build-windows/app/Module_Varno.exe
#include "bench/ProcessMeasure.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace varno::bench;

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const std::vector<std::string> command(argv + std::min(argc, 2), argv + argc);
    const auto folder = std::filesystem::temp_directory_path() / ("varno-startup-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "config.ini") << "[General]\r\nVersion=0\r\nConfigurateur=ferd\r\nMode=chiffrage\r\n";
    const std::string log = (folder / "messages.log").string();
    const std::vector<std::string> arguments = {(folder / "devis.xml").string(), (folder / "config.ini").string()};

    runModuleVarno(arguments, log, log, command); // warm the file cache
    std::vector<double> shown;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
        const ProcessRun run = runModuleVarno(arguments, log, log, command);
        if (run.watchedMs < 0) {
            std::fprintf(stderr, "the program ended without showing its main window\n");
            return 1;
        }
        shown.push_back(run.watchedMs);
        peak = std::max(peak, run.peakKiB);
    }
    std::filesystem::remove_all(folder);
    std::printf("Module_Varno start-up over %d runs (platform %s)\n", runs, std::getenv("QT_QPA_PLATFORM"));
    std::printf("  process start to main window shown: %s\n", summarize(shown).c_str());
    std::printf("  peak resident memory: %.1f MiB (largest of all runs)\n", static_cast<double>(peak) / 1024.0);
    return 0;
}
