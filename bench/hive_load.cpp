// How long loading the settings hive takes as it grows, next to reading the same file with
// cat and splitting it into lines with awk, page cache warm.
//
//   bench_hive_load [repetitions=7]
//
// Writes hives of 5,000, 10,000, 20,000 and 40,000 values in one key (the case that used to
// take time in the square of the values) and one of about 10 MB over many keys, into a fresh
// temporary folder. For each file it alternates `cat file | awk '{ n++ } END { print n }'` with
// two loads through the registry's hive (the start-up path: read the file, check its lines,
// find a value of its first key, which takes that key's values apart): one in a fresh child process, as at the
// program's start, where every page of memory is touched for the first time, and one in this process, whose memory is
// already in use. Prints the medians, the ratios to awk and the time per value, and the load
// average.
#include "platform/hive.h"
#include "support/temp_dir.h"

#include "measure.h"

#include <sys/wait.h>
#include <unistd.h>

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
    // One value of the first key, which takes that key's values apart: in the hives of one
    // key, every value.
    if (!hive.FindValue("Software\\Brightmoor\\Ripwell\\Key0", "Value0000000"))
        std::fprintf(stderr, "the hive %s did not load\n", path.c_str());
    return SecondsSince(start);
}

// The same load in a child process of its own, timed there.
double TimeLoadInChild(const std::string& path)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        const double seconds = TimeLoad(path);
        const bool sent = ::write(pipeEnds[1], &seconds, sizeof seconds) == sizeof seconds;
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    double seconds = -1;
    if (child < 0 || ::read(pipeEnds[0], &seconds, sizeof seconds) != sizeof seconds)
        seconds = -1;
    ::close(pipeEnds[0]);
    if (child > 0)
        ::waitpid(child, nullptr, 0);
    return seconds;
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
                          {"10 MB hive", 300000, 1000}};
    std::printf("%-14s %9s %9s %11s %7s %11s %7s %9s\n", "hive", "bytes", "awk ms", "fresh ms", "ratio", "warm ms",
                "ratio", "us/value");
    for (const Case& c : cases) {
        const std::string path = dir.file("user.reg");
        const std::size_t bytes = WriteHive(path, c.values, c.perKey);
        TimeAwk(path); // warms the page cache
        TimeLoad(path);
        std::vector<double> awk, fresh, warm, freshRatios, warmRatios;
        for (int i = 0; i < repetitions; ++i) {
            awk.push_back(TimeAwk(path));
            fresh.push_back(TimeLoadInChild(path));
            warm.push_back(TimeLoad(path));
            freshRatios.push_back(fresh.back() / awk.back());
            warmRatios.push_back(warm.back() / awk.back());
        }
        std::printf("%-14s %9zu %9.2f %11.2f %7.2f %11.2f %7.2f %9.3f\n", c.name, bytes, Median(awk) * 1e3,
                    Median(fresh) * 1e3, Median(freshRatios), Median(warm) * 1e3, Median(warmRatios),
                    Median(fresh) * 1e6 / double(c.values));
    }
    std::FILE* loadavg = std::fopen("/proc/loadavg", "r");
    char text[128] = {};
    if (loadavg && std::fgets(text, sizeof text, loadavg))
        std::printf("load average: %s", text);
    if (loadavg)
        std::fclose(loadavg);
    return 0;
}
