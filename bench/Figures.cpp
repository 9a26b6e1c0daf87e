#include "bench/Figures.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace varno::bench {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string summarize(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::array<char, 128> text{};
    std::snprintf(text.data(), text.size(), "median %.1f ms (min %.1f, max %.1f)", values[values.size() / 2],
                  values.front(), values.back());
    return text.data();
}

} // namespace varno::bench
