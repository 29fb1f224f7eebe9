// Baselines for the zip benchmark: the same bytes through raw zlib alone, with no archive
// around them.
//   zip_bench_raw deflate SRC         raw deflate level 8 of every file under SRC
//   zip_bench_raw inflate SRC OUT     inflate every file (compressed beforehand) and write it to OUT
//   zip_bench_raw write SRC OUT       write every file to OUT (the cost of the file system alone)
// Prints the timed seconds and the byte counts on one line.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
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
std::size_t deflate_file(z_stream& z, const fs::path& path, std::vector<unsigned char>* keep)
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

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: zip_bench_raw deflate SRC | inflate SRC OUT | write SRC OUT\n");
        return 2;
    }
    const std::string mode = argv[1];
    const fs::path source = argv[2];
    z_stream z{};
    deflateInit2(&z, 8, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);

    if (mode == "deflate")
    {
        std::vector<fs::path> paths;
        for (const auto& e : fs::recursive_directory_iterator(source))
            if (e.is_regular_file())
                paths.push_back(e.path());
        const auto start = std::chrono::steady_clock::now();
        std::size_t total = 0;
        for (const auto& p : paths)
            total += deflate_file(z, p, nullptr);
        std::printf("%.3f %zu\n", seconds_since(start), total);
        deflateEnd(&z);
        return 0;
    }
    if (argc < 4)
        return 2;
    const fs::path output = argv[3];
    std::vector<File> files = load(source);
    if (mode == "write")
    {
        const auto start = std::chrono::steady_clock::now();
        for (const auto& f : files)
            write_file(output / f.relative, f.data.data(), f.data.size());
        std::printf("%.3f %zu\n", seconds_since(start), files.size());
        return 0;
    }
    // inflate: compress everything first, untimed, then time inflating and writing.
    std::vector<std::vector<unsigned char>> packed(files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        deflate_file(z, source / files[i].relative, &packed[i]);
    deflateEnd(&z);
    z_stream inf{};
    inflateInit2(&inf, -15);
    std::vector<unsigned char> out(Block);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < files.size(); ++i)
    {
        const fs::path path = output / files[i].relative;
        fs::create_directories(path.parent_path());
        std::FILE* f = std::fopen(path.c_str(), "wb");
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
    std::printf("%.3f %zu\n", seconds_since(start), files.size());
    inflateEnd(&inf);
    return 0;
}
