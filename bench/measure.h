// What every benchmark measures with: wall-clock and processor time of a run, the median of
// several runs and the machine's load average, printed beside the figures.
#pragma once

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

// Wall-clock seconds and the processor seconds spent meanwhile by this process and by the
// children it waited for. The machine is shared, so the processor time is the steadier figure.
struct Timing {
    double wall = -1; // negative: the run failed
    double cpu = -1;
};

inline double ProcessorSeconds()
{
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) + seconds(children.ru_stime);
}

// Started when made; Stop() gives the time since.
class Stopwatch {
public:
    Timing Stop() const
    {
        return {std::chrono::duration<double>(std::chrono::steady_clock::now() - m_wall).count(),
                ProcessorSeconds() - m_cpu};
    }

private:
    std::chrono::steady_clock::time_point m_wall = std::chrono::steady_clock::now();
    double m_cpu = ProcessorSeconds();
};

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The load averages over one, five and fifteen minutes.
inline std::string LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}
