// Disc images for tests, written at test time by mkdisc's writer into a test's folder. The plan
// stays with the image, so a test can ask for the bytes any sector must hold.
#pragma once

#include "disc_writer.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

struct BuiltDisc {
    mkdisc::DiscPlan plan;
    std::string sheet; // the .cue or .toc to open

    // The raw bytes of count sectors from first, as every reader must return them.
    std::vector<uint8_t> Expected(uint32_t first, uint32_t count) const;
};

// Audio tracks of the given sector counts, every track with the given content; pregaps (for
// tracks 2 on) in sectors, empty for none.
mkdisc::DiscPlan AudioDiscPlan(std::initializer_list<uint32_t> trackSectors,
                               mkdisc::AudioContent content = mkdisc::AudioContent::Counter,
                               std::initializer_list<uint32_t> pregaps = {});

// Appends a mode-1 data track holding an ISO 9660 volume of the named files (name, text),
// with a pregap in sectors. False when genisoimage fails; the reason goes to *reason.
bool AddDataTrack(mkdisc::DiscPlan* plan, const std::string& scratchFolder,
                  const std::vector<std::pair<std::string, std::string>>& files, uint32_t pregap, std::string* reason);

// Completes the plan and writes it into folder as name in the layout. False and a reason on
// failure.
bool BuildDisc(mkdisc::DiscPlan plan, mkdisc::Layout layout, const std::string& folder, const std::string& name,
               BuiltDisc* disc, std::string* reason);
