#pragma once

#include <string>
#include <vector>

namespace varno::bench {

struct ProcessRun {
    double wallMs;       // spawn to exit
    double watchedMs;    // spawn to the watched file appearing; -1 if it never did
    long peakKiB;        // peak resident memory, from wait4()
};

// Runs the program to its end with the arguments, the environment of this process plus VARNO_MESSAGE_LOG
// and (unless set) QT_QPA_PLATFORM=offscreen, and measures it.
ProcessRun runMeasured(const std::vector<std::string>& arguments, const std::string& messageLog,
                       const std::string& watchedFile);

// Median, minimum and maximum of some figures, as "median X ms (min Y, max Z)".
std::string summarize(std::vector<double> values);

} // namespace varno::bench
