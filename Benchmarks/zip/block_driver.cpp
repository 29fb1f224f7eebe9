// Picks the block size and threshold of the parallel deflate by measurement: the same bytes
// through the serial deflate layer and through the block-parallel one at several block sizes,
// then items of several sizes both ways (what splitting costs or gains per item size).
//   zip_bench_blocks [MiB]     (default 24 MiB of mixed text and binary)
// Prints wall and CPU seconds (all threads), output bytes, and speed-up, CPU and size against the
// serial layer. On a shared machine the CPU ratio is the steadier figure: with T idle cores the
// best wall speed-up is about T / (CPU ratio).
#include "parallel_deflate.h"
#include "worker_pool.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace zipengine;

namespace
{
class CountingSink final : public Stream
{
public:
    std::size_t bytes = 0;
    ZipResult write(const void*, std::size_t size) override
    {
        bytes += size;
        return zip_result::Ok;
    }
};

// Words in lines, then records with small changes and noise: how the localization data looks.
std::vector<std::uint8_t> mixed_data(std::size_t size)
{
    std::mt19937 rng(20261208);
    std::vector<std::string> words;
    for (int i = 0; i < 5000; ++i)
    {
        std::string w;
        for (int k = 2 + static_cast<int>(rng() % 9); k > 0; --k)
            w += static_cast<char>('a' + rng() % 26);
        words.push_back(w);
    }
    std::vector<std::uint8_t> out;
    out.reserve(size);
    while (out.size() < size)
    {
        for (int line = 0; line < 20000 && out.size() < size; ++line)
        {
            for (int k = 4 + static_cast<int>(rng() % 11); k > 0; --k)
            {
                const std::string& w = words[rng() % words.size()];
                out.insert(out.end(), w.begin(), w.end());
                out.push_back(' ');
            }
            out.back() = '\n';
        }
        for (int i = 0; i < 8000 && out.size() < size; ++i)
            for (int k = 0; k < 64; ++k)
                out.push_back(static_cast<std::uint8_t>(k < 60 ? (k * 37) & 0xFF : (i >> ((k - 60) * 8)) & 0xFF));
        for (int i = 0; i < 300000 && out.size() < size; ++i)
            out.push_back(static_cast<std::uint8_t>(rng()));
    }
    out.resize(size);
    return out;
}

struct Run
{
    double seconds;
    double cpu;
    std::size_t bytes;
};

double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Deflates `items` pieces of `item` bytes each from `data`, in 16 KiB writes.
template <typename Layer> Run deflate_items(Layer& layer, const std::vector<std::uint8_t>& data, std::size_t item)
{
    CountingSink sink;
    const double cpu_start = cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at + item <= data.size(); at += item)
    {
        layer.begin(sink);
        for (std::size_t k = 0; k < item; k += BlockSize)
            layer.write(data.data() + at + k, std::min(BlockSize, item - k));
        layer.finish();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return {took.count(), cpu_seconds() - cpu_start, sink.bytes};
}

template <typename Make> Run best_of(int rounds, Make make)
{
    Run best{1e30, 1e30, 0};
    for (int i = 0; i < rounds; ++i)
    {
        const Run run = make();
        best.seconds = std::min(best.seconds, run.seconds);
        best.cpu = std::min(best.cpu, run.cpu);
        best.bytes = run.bytes;
    }
    return best;
}
} // namespace

int main(int argc, char** argv)
{
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 24;
    const std::vector<std::uint8_t> data = mixed_data(mib << 20);
    const unsigned threads = deflate_threads();
    WorkerPool pool(threads);
    DeflateStream serial;
    const Run base = best_of(3, [&] { return deflate_items(serial, data, data.size()); });
    std::printf("%zu MiB mixed data, %u threads; serial: %.2f s wall, %.2f s cpu, %zu bytes\n\n", mib, threads,
                base.seconds, base.cpu, base.bytes);
    std::printf("%-12s %8s %8s %12s %9s %9s %9s\n", "block", "wall", "cpu", "bytes", "speed-up", "cpu", "size");
    for (const std::size_t block : {32u << 10, 64u << 10, 128u << 10, 256u << 10, 512u << 10, 1024u << 10})
    {
        ParallelDeflateStream parallel(pool, 2 * pool.size(), block);
        const Run run = best_of(3, [&] { return deflate_items(parallel, data, data.size()); });
        std::printf("%-9zu KiB %7.2fs %7.2fs %12zu %8.2fx %8.3fx %8.4fx\n", block >> 10, run.seconds, run.cpu,
                    run.bytes, base.seconds / run.seconds, run.cpu / base.cpu,
                    static_cast<double>(run.bytes) / static_cast<double>(base.bytes));
    }
    std::printf("\n%-12s %8s %8s %9s %9s  (items of one size, %zu KiB blocks)\n", "item", "serial", "parallel",
                "speed-up", "cpu", ParallelBlockSize >> 10);
    ParallelDeflateStream parallel(pool, 2 * pool.size());
    for (const std::size_t item : {64u << 10, 128u << 10, 192u << 10, 256u << 10, 384u << 10, 512u << 10,
                                   1024u << 10})
    {
        const Run s = best_of(3, [&] { return deflate_items(serial, data, item); });
        const Run p = best_of(3, [&] { return deflate_items(parallel, data, item); });
        std::printf("%-9zu KiB %7.2fs %7.2fs %8.2fx %8.3fx\n", item >> 10, s.seconds, p.seconds, s.seconds / p.seconds,
                    p.cpu / s.cpu);
    }
    return 0;
}
