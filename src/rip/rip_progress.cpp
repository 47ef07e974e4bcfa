#include "rip/rip_progress.h"

#include <cstdio>

#include "res/resource.h"
#include "res/string_table.h"
#include "rip/cue_sheet_writer.h"

namespace {

constexpr double kAudioBytesPerSecond = 44100.0 * 4;
constexpr uint32_t kLeadInSectors = 150;

} // namespace

RipProgressFigures RipProgressOf(uint64_t done, uint64_t total, double seconds)
{
    RipProgressFigures figures;
    if (total == 0)
        return figures;
    if (done > total)
        done = total;
    const double fraction = static_cast<double>(done) / static_cast<double>(total);
    figures.percent = static_cast<unsigned>(fraction * 100);
    if (seconds > 0 && done > 0) {
        figures.speed = static_cast<double>(done) / 2 / kAudioBytesPerSecond / seconds;
        figures.secondsLeft = seconds * (1 - fraction) / fraction;
    }
    return figures;
}

std::string PassText(ReadPass pass)
{
    switch (pass) {
    case ReadPass::Test: return std::string(res::LoadString(res::IDS_RIP_PASS_TEST));
    case ReadPass::Copy: return std::string(res::LoadString(res::IDS_RIP_PASS_COPY));
    case ReadPass::ReRead: return std::string(res::LoadString(res::IDS_RIP_PASS_REREAD));
    case ReadPass::Read: break;
    }
    return std::string(res::LoadString(res::IDS_RIP_PASS_READ));
}

std::string SpeedText(double speed)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1fx", speed);
    return text;
}

std::string TimeLeftText(double seconds)
{
    if (seconds < 0)
        return "-";
    const unsigned long whole = static_cast<unsigned long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lu:%02lu:%02lu", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lu:%02lu", whole / 60, whole % 60);
    return text;
}

std::string DiscPositionText(uint32_t sector)
{
    char text[32];
    std::snprintf(text, sizeof text, " (sector %u)", sector);
    return CueTime(sector + kLeadInSectors) + text;
}
