#pragma once

#include <string>
#include <vector>

namespace varno::bench {

// The median of some figures.
double median(std::vector<double> values);

// Median, minimum and maximum of some figures, as "median X ms (min Y, max Z)".
std::string summarize(std::vector<double> values);

} // namespace varno::bench
