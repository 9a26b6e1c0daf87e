// Start-up time and peak memory of the real Module_Varno executable, against a bare Qt Widgets program
// with a window of the same size (bench/bare_window.cpp), the two run alternately in the same run.
//
// Each Module_Varno run starts with a configuration whose version does not match, its messages sent to
// a file: the version message is written by the main window's first activation, right after the window
// is shown, so the time from spawning the process to the message file appearing is the time to the
// main window shown. The bare program writes its file once its window is shown. Runs on Qt's offscreen
// platform unless QT_QPA_PLATFORM says otherwise (QT_QPA_PLATFORM=xcb under Xvfb gives real X11
// windows).
//
//   startup_bench [runs] [<launcher> <Module_Varno.exe> <bare_window.exe>]
//
// With a launcher, the Windows build's program and its bare window (built with the same toolchain) both
// run through it, the same way: under Wine, with a running wineserver, and QT_QPA_FONTDIR for the
// offscreen platform:
//   startup_bench 20 ~/.cache/module-varno/varno-mingw/bin/varno-wine build-windows/app/Module_Varno.exe
//                    build-windows/bench/bare_window.exe
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
    const int runs = argc > 1 ? std::stoi(argv[1]) : 20;
    std::vector<std::string> command;
    std::vector<std::string> bareCommand;
    if (argc == 5) {
        command = {argv[2], argv[3]};
        bareCommand = {argv[2], argv[4]};
    } else if (argc > 2) {
        std::fprintf(stderr, "usage: startup_bench [runs] [<launcher> <Module_Varno.exe> <bare_window.exe>]\n");
        return 2;
    }
    const auto folder = std::filesystem::temp_directory_path() / ("varno-startup-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "config.ini") << "[General]\r\nVersion=0\r\nConfigurateur=ferd\r\nMode=chiffrage\r\n";
    const std::string log = (folder / "messages.log").string();
    const std::string shown = (folder / "shown").string();
    const std::vector<std::string> arguments = {(folder / "devis.xml").string(), (folder / "config.ini").string()};

    runModuleVarno(arguments, log, log, command); // warm the file cache
    runBareWindow(shown, bareCommand);
    std::vector<double> program;
    std::vector<double> bare;
    std::vector<double> programMiB;
    std::vector<double> bareMiB;
    for (int i = 0; i < runs; ++i) {
        const ProcessRun run = runModuleVarno(arguments, log, log, command);
        const ProcessRun baseline = runBareWindow(shown, bareCommand);
        if (run.watchedMs < 0 || baseline.watchedMs < 0) {
            std::fprintf(stderr, "a program ended without showing its window\n");
            return 1;
        }
        program.push_back(run.watchedMs);
        bare.push_back(baseline.watchedMs);
        programMiB.push_back(static_cast<double>(run.peakKiB) / 1024.0);
        bareMiB.push_back(static_cast<double>(baseline.peakKiB) / 1024.0);
    }
    std::filesystem::remove_all(folder);
    std::printf("start-up over %d alternate runs (platform %s)\n", runs, std::getenv("QT_QPA_PLATFORM"));
    std::printf("  Module_Varno, process start to main window shown: %s\n", summarize(program).c_str());
    std::printf("  bare Qt window of the same size:                   %s\n", summarize(bare).c_str());
    std::printf("  time ratio: %.2f (goal <= 1.2)\n", median(program) / median(bare));
    std::printf("  peak resident memory: %.1f MiB against %.1f MiB, ratio %.2f (goal <= 1.2)\n", median(programMiB),
                median(bareMiB), median(programMiB) / median(bareMiB));
    return 0;
}
