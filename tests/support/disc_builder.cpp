#include "support/disc_builder.h"

#include <filesystem>
#include <fstream>

std::vector<uint8_t> BuiltDisc::Expected(uint32_t first, uint32_t count) const
{
    std::vector<uint8_t> bytes(size_t(count) * mkdisc::RAW_SECTOR_SIZE);
    for (uint32_t i = 0; i < count; ++i)
        mkdisc::SectorBytes(plan, first + i, bytes.data() + size_t(i) * mkdisc::RAW_SECTOR_SIZE);
    return bytes;
}

mkdisc::DiscPlan AudioDiscPlan(std::initializer_list<uint32_t> trackSectors, mkdisc::AudioContent content,
                               std::initializer_list<uint32_t> pregaps)
{
    mkdisc::DiscPlan plan;
    auto pregap = pregaps.begin();
    for (uint32_t sectors : trackSectors) {
        mkdisc::TrackPlan track;
        track.sectors = sectors;
        track.content = content;
        if (!plan.tracks.empty() && pregap != pregaps.end())
            track.pregapSectors = *pregap++;
        plan.tracks.push_back(track);
    }
    return plan;
}

bool AddDataTrack(mkdisc::DiscPlan* plan, const std::string& scratchFolder,
                  const std::vector<std::pair<std::string, std::string>>& files, uint32_t pregap, std::string* reason)
{
    const std::filesystem::path folder = std::filesystem::path(scratchFolder) / "volume";
    std::filesystem::create_directories(folder);
    for (const auto& [name, text] : files)
        std::ofstream(folder / name, std::ios::binary) << text;
    if (!mkdisc::MakeIsoVolume(folder.string(), "RIPWELL_TEST", &plan->volume, reason))
        return false;
    mkdisc::TrackPlan track;
    track.isData = true;
    track.pregapSectors = pregap;
    plan->tracks.push_back(track);
    return true;
}

bool BuildDisc(mkdisc::DiscPlan plan, mkdisc::Layout layout, const std::string& folder, const std::string& name,
               BuiltDisc* disc, std::string* reason)
{
    if (!mkdisc::CompletePlan(&plan, reason) || !mkdisc::WriteDisc(plan, layout, folder, name, &disc->sheet, reason))
        return false;
    disc->plan = std::move(plan);
    return true;
}
