// How long loading the settings hive takes as it grows, next to reading the same file with
// cat and splitting it into lines with awk, page cache warm.
//
//   bench_hive_load [repetitions=7]
//
// Writes hives of 5,000, 10,000, 20,000 and 40,000 values in one key (the case that used to
// take time in the square of the values) and one of about 10 MB over many keys, into a fresh
// temporary folder. For each file it alternates `cat file | awk '{ n++ } END { print n }'` with
// a load through the registry's hive (the start-up path: read the file, take its lines apart,
// find a key), prints the medians, their ratio and the time per value, and the load average.
#include "platform/hive.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A hive of values in keys of valuesPerKey each: numbers and texts, as a settings hive has.
std::size_t WriteHive(const std::string& path, std::size_t values, std::size_t valuesPerKey)
{
    std::ofstream out(path, std::ios::binary);
    out << "REGEDIT4\n";
    char line[160];
    for (std::size_t i = 0; i < values; ++i) {
        if (i % valuesPerKey == 0)
            out << "\n[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Key" << i / valuesPerKey << "]\n";
        if (i % 4 == 3)
            std::snprintf(line, sizeof line, "\"Text%07zu\"=\"C:\\\\Program Files\\\\Player %zu\"\n", i, i);
        else
            std::snprintf(line, sizeof line, "\"Value%07zu\"=dword:%08zx\n", i, i * 2654435761u & 0xFFFFFFFFu);
        out << line;
    }
    out.flush();
    return static_cast<std::size_t>(out.tellp());
}

double TimeAwk(const std::string& path)
{
    const std::string command = "cat '" + path + "' | awk '{ n++ } END { print n }' > /dev/null";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "failed: %s\n", command.c_str());
    return SecondsSince(start);
}

double TimeLoad(const std::string& path)
{
    const auto start = Clock::now();
    platform::Hive hive("HKEY_CURRENT_USER", path);
    if (!hive.HasKey("Software\\Brightmoor\\Ripwell\\Key0"))
        std::fprintf(stderr, "the hive %s did not load\n", path.c_str());
    return SecondsSince(start);
}

} // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    TempDir dir;
    struct Case {
        const char* name;
        std::size_t values;
        std::size_t perKey;
    };
    const Case cases[] = {{"5,000 values", 5000, 5000},
                          {"10,000 values", 10000, 10000},
                          {"20,000 values", 20000, 20000},
                          {"40,000 values", 40000, 40000},
                          {"10 MB hive", 250000, 1000}};
    std::printf("%-14s %10s %12s %12s %8s %14s\n", "hive", "bytes", "awk (ms)", "load (ms)", "ratio", "load/value (us)");
    for (const Case& c : cases) {
        const std::string path = dir.file("user.reg");
        const std::size_t bytes = WriteHive(path, c.values, c.perKey);
        TimeAwk(path);   // warms the page cache
        TimeLoad(path);
        std::vector<double> awk, load, ratios;
        for (int i = 0; i < repetitions; ++i) {
            const double a = TimeAwk(path);
            const double l = TimeLoad(path);
            awk.push_back(a);
            load.push_back(l);
            ratios.push_back(l / a);
        }
        std::printf("%-14s %10zu %12.2f %12.2f %8.2f %14.3f\n", c.name, bytes, Median(awk) * 1e3, Median(load) * 1e3,
                    Median(ratios), Median(load) * 1e6 / double(c.values));
    }
    std::FILE* loadavg = std::fopen("/proc/loadavg", "r");
    char text[128] = {};
    if (loadavg && std::fgets(text, sizeof text, loadavg))
        std::printf("load average: %s", text);
    if (loadavg)
        std::fclose(loadavg);
    return 0;
}
