// The zip engine on its own, doing the same work on the same bytes as a job phase: the
// yardstick each phase is reported beside.
#pragma once

#include <string>
#include <vector>

namespace jobbench
{
struct FileEntry
{
    std::string name; // inside the archive
    std::string path; // on disk
};

// Seconds to write an archive of the files (with a password when one is given).
double TimePacking(const std::vector<FileEntry>& files, const char* password, const std::string& archive);
// Seconds to open an archive held in memory and unpack every item into memory.
double TimeUnpackInMemory(const std::string& bytes, const char* password);
// Seconds to extract every item of an archive file below a folder.
double TimeExtract(const std::string& archive, const std::string& folder);

// The best of `runs` timings, so a single disturbance does not flatter the job.
template <typename F> double Best(int runs, F&& measure)
{
    double best = measure();
    for (int i = 1; i < runs; ++i)
        best = std::min(best, measure());
    return best;
}
} // namespace jobbench
