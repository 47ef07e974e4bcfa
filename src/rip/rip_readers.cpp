#include "rip/rip_readers.h"

int32_t DefaultReadOffset(const AppSettings&, char) { return 0; }

std::unique_ptr<RangeReader> MakeRipReader(char drive, bool secure, int32_t readOffset, uint32_t leadOut,
                                           const AppSettings&, std::string* reason)
{
    if (secure) {
        *reason = "secure reading is not available in this build";
        return nullptr;
    }
    std::unique_ptr<RangeReader> reader = MakePlainRangeReader(drive, readOffset, leadOut);
    if (!reader)
        *reason = "not enough memory";
    return reader;
}
