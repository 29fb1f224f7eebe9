// Latency samples of one kind, summarised as percentiles.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace loadbench
{
class LatencySamples
{
public:
    void Add(double milliseconds);
    // "p50 12 ms, p90 40 ms, p99 95 ms, max 120 ms (N samples)", or "no samples".
    std::string Summary() const;

private:
    mutable std::mutex mutex_;
    std::vector<double> samples_;
};
} // namespace loadbench
