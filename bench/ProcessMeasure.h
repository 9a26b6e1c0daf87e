#pragma once

#include "bench/Figures.h"

#include <string>
#include <vector>

namespace varno::bench {

struct ProcessRun {
    double wallMs;    // spawn to exit
    double watchedMs; // spawn to the watched file appearing; -1 if it never did
    long peakKiB;     // peak resident memory, from wait4()
};

// Runs a program to its end, with this process's environment, and measures it; a command given runs in
// its place with the arguments after its own.
ProcessRun runCommand(const std::string& program, const std::vector<std::string>& command,
                      const std::vector<std::string>& arguments, const std::string& watchedFile);
// Runs a program to its end, with this process's environment, and measures it.
ProcessRun runMeasured(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& watchedFile = {});

// Runs Module_Varno the same way, its messages going to messageLog and, unless QT_QPA_PLATFORM says
// otherwise, on Qt's offscreen platform. A command given replaces the built program (for example the
// Windows build under Wine: {"varno-wine", "build-windows/app/Module_Varno.exe"}).
ProcessRun runModuleVarno(const std::vector<std::string>& arguments, const std::string& messageLog,
                          const std::string& watchedFile, const std::vector<std::string>& command = {});

// Runs the bare Qt Widgets baseline (bench/bare_window.cpp) on the same platform; watchedMs is the time
// to its window shown. A command given replaces the built baseline (the Windows build's, under Wine).
ProcessRun runBareWindow(const std::string& shownFile, const std::vector<std::string>& command = {});

} // namespace varno::bench
