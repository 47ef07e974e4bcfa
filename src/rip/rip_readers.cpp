#include "rip/rip_readers.h"

#include <new>
#include <utility>

#include "cdrom/cdrom_drive.h"
#include "extract/read_offset.h"
#include "extract/secure_read.h"

namespace {

// The secure reading engine behind the rip's reader: each track's range proven by a test and a
// copy pass and re-reads until two reads agree, the drive held open for the range.
class SecureRangeReader : public RangeReader {
public:
    SecureRangeReader(char drive, SecureReadOptions options) : m_drive(drive), m_options(options) {}

    bool IsSecure() const override { return true; }

    uint16_t Read(uint32_t first, uint32_t last, uint8_t* destination, RangeReadProgress* progress,
                  const std::atomic<int32_t>* cancelFlag, RangeReadReport* report) override
    {
        *report = RangeReadReport{};
        CdromDrive drive;
        if (const DriveError opened = drive.Open(m_drive); opened != DRIVE_OK)
            return opened;
        Passes passes(progress);
        SecureReadReport secure;
        const uint16_t status =
            SecureRead(drive, first, last, destination, m_options, progress ? &passes : nullptr, cancelFlag, &secure);
        drive.Close();
        if (status != 0)
            return status;
        report->haveTestCrc = true;
        report->testCrc = secure.testCrc;
        report->copyCrc = secure.copyCrc;
        report->reReads = secure.reReads;
        report->suspiciousSectors = std::move(secure.suspiciousSectors);
        report->zeroSamples = secure.zeroSamples;
        return 0;
    }

private:
    // The engine's passes in the rip's words.
    class Passes : public SecureReadProgress {
    public:
        explicit Passes(RangeReadProgress* progress) : m_progress(progress) {}
        void OnPass(SecurePass pass) override
        {
            m_progress->OnPass(pass == SecurePass::Test       ? ReadPass::Test
                                   : pass == SecurePass::Copy ? ReadPass::Copy
                                                              : ReadPass::ReRead);
        }
        void OnRead(uint32_t sector, uint64_t done, uint64_t total) override
        {
            m_progress->OnRead(sector, done, total);
        }

    private:
        RangeReadProgress* m_progress;
    };

    char m_drive;
    SecureReadOptions m_options;
};

std::string ModelOf(char drive)
{
    std::string model;
    if (!GetDriveModel(drive, &model))
        model.clear();
    return model;
}

} // namespace

int32_t DefaultReadOffset(const AppSettings& settings, char drive) { return ReadOffsetFor(settings, ModelOf(drive)); }

std::unique_ptr<RangeReader> MakeRipReader(char drive, bool secure, int32_t readOffset, uint32_t leadOut,
                                           const AppSettings& settings, std::string* reason)
{
    if (readOffset < MIN_READ_OFFSET || readOffset > MAX_READ_OFFSET) {
        *reason = "the read offset must lie between -5000 and 5000 samples";
        return nullptr;
    }
    std::unique_ptr<RangeReader> reader;
    if (secure) {
        SecureReadOptions options = SecureReadOptionsFor(settings, ModelOf(drive));
        options.readOffset = readOffset;
        reader.reset(new (std::nothrow) SecureRangeReader(drive, options));
    } else {
        reader = MakePlainRangeReader(drive, readOffset, leadOut);
    }
    if (!reader)
        *reason = "not enough memory";
    return reader;
}
