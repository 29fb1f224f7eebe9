// Baselines for the zip benchmark: the same bytes through raw zlib alone, with no archive
// around them.
//   zip_bench_raw deflate SRC OUT     raw deflate level 8 of every file under SRC, the compressed
//                                     streams written one after another to the file OUT
//   zip_bench_raw inflate SRC OUT     inflate every file (compressed beforehand) and write it to OUT
//   zip_bench_raw write SRC OUT       write every file to OUT (the cost of the file system alone)
//   zip_bench_raw run COMMAND...      run a command and time it
// Prints wall seconds, CPU seconds (user + system) and a count on one line. CPU time is the
// steadier figure on a shared machine.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace fs = std::filesystem;

namespace
{
constexpr std::size_t Block = 16384;

struct File
{
    fs::path relative;
    std::vector<unsigned char> data;
};

std::vector<File> load(const fs::path& root)
{
    std::vector<File> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
    {
        if (!e.is_regular_file())
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        files.push_back(
            {fs::relative(e.path(), root), std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                                                      std::istreambuf_iterator<char>())});
    }
    return files;
}

// Reads like the engine does: the file in 16 KiB pieces, deflated into 16 KiB blocks.
std::size_t deflate_file(z_stream& z, const fs::path& path, std::vector<unsigned char>* keep, std::FILE* sink)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return 0;
    deflateReset(&z);
    unsigned char in[Block];
    unsigned char out[Block];
    std::size_t total = 0;
    int flush = Z_NO_FLUSH;
    do
    {
        const std::size_t n = std::fread(in, 1, Block, f);
        flush = n < Block ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = in;
        z.avail_in = static_cast<uInt>(n);
        do
        {
            z.next_out = out;
            z.avail_out = Block;
            deflate(&z, flush);
            const std::size_t produced = Block - z.avail_out;
            total += produced;
            if (keep)
                keep->insert(keep->end(), out, out + produced);
            if (sink && produced > 0 && std::fwrite(out, 1, produced, sink) != produced)
                return 0;
        } while (z.avail_out == 0);
    } while (flush != Z_FINISH);
    std::fclose(f);
    return total;
}

bool write_file(const fs::path& path, const unsigned char* data, std::size_t size)
{
    fs::create_directories(path.parent_path());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

double cpu_now()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Wall and CPU time of the section since construction.
struct Stopwatch
{
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double cpu = cpu_now();
    void print(std::size_t count) const
    {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        std::printf("%.3f %.3f %zu\n", elapsed, cpu_now() - cpu, count);
    }
};

int run_command(char** argv)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0)
    {
        // The timing line is the driver's only output; the command's own goes away.
        if (std::freopen("/dev/null", "w", stdout) == nullptr ||
            std::freopen("/dev/null", "w", stderr) == nullptr)
            _exit(126);
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) < 0)
        return 1;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("%.3f %.3f %d\n", elapsed, cpu, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(
            stderr,
            "usage: zip_bench_raw deflate SRC OUT | inflate SRC OUT | write SRC OUT | run COMMAND...\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "run")
        return run_command(argv + 2);
    const fs::path source = argv[2];
    z_stream z{};
    deflateInit2(&z, 8, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);

    if (mode == "deflate" && argc >= 4)
    {
        std::FILE* sink = std::fopen(argv[3], "wb");
        if (sink == nullptr)
            return 1;
        std::vector<fs::path> paths;
        for (const auto& e : fs::recursive_directory_iterator(source))
            if (e.is_regular_file())
                paths.push_back(e.path());
        const Stopwatch watch;
        std::size_t total = 0;
        for (const auto& p : paths)
            total += deflate_file(z, p, nullptr, sink);
        std::fclose(sink);
        watch.print(total);
        deflateEnd(&z);
        return 0;
    }
    if (argc < 4)
        return 2;
    const fs::path output = argv[3];
    std::vector<File> files = load(source);
    if (mode == "write")
    {
        const Stopwatch watch;
        for (const auto& f : files)
            write_file(output / f.relative, f.data.data(), f.data.size());
        watch.print(files.size());
        return 0;
    }
    // inflate: compress everything first, untimed, then time inflating and writing.
    std::vector<std::vector<unsigned char>> packed(files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        deflate_file(z, source / files[i].relative, &packed[i], nullptr);
    deflateEnd(&z);
    z_stream inf{};
    inflateInit2(&inf, -15);
    std::vector<unsigned char> out(Block);
    const Stopwatch watch;
    for (std::size_t i = 0; i < files.size(); ++i)
    {
        const fs::path path = output / files[i].relative;
        fs::create_directories(path.parent_path());
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr)
            return 1;
        inflateReset(&inf);
        inf.next_in = packed[i].data();
        inf.avail_in = static_cast<uInt>(packed[i].size());
        int rc = Z_OK;
        while (rc == Z_OK)
        {
            inf.next_out = out.data();
            inf.avail_out = Block;
            rc = inflate(&inf, Z_SYNC_FLUSH);
            std::fwrite(out.data(), 1, Block - inf.avail_out, f);
        }
        std::fclose(f);
    }
    watch.print(files.size());
    inflateEnd(&inf);
    return 0;
}
