#include "LoadStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace loadbench
{
void LatencySamples::Add(double milliseconds)
{
    std::lock_guard lock(mutex_);
    samples_.push_back(milliseconds);
}

std::string LatencySamples::Summary() const
{
    std::vector<double> sorted;
    {
        std::lock_guard lock(mutex_);
        sorted = samples_;
    }
    if (sorted.empty())
        return "no samples";
    std::sort(sorted.begin(), sorted.end());
    // Nearest rank: the smallest sample with at least p of them at or below it.
    const auto rank = [&](double p)
    {
        const auto index = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
        return sorted[std::min(sorted.size() - 1, index == 0 ? 0 : index - 1)];
    };
    char text[160];
    std::snprintf(text, sizeof text, "p50 %.0f ms, p90 %.0f ms, p99 %.0f ms, max %.0f ms (%zu samples)",
                  rank(0.50), rank(0.90), rank(0.99), sorted.back(), sorted.size());
    return text;
}
} // namespace loadbench
