#include "rip/audio_file_writer.h"

#include <cstring>
#include <memory>

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include "document/wave_header.h"
#include "platform/file.h"

namespace {

constexpr unsigned kSampleRate = 44100;
constexpr unsigned kChannels = 2;
constexpr unsigned kBitsPerSample = 16;
constexpr unsigned kBytesPerSample = 4;                  // one stereo sample
constexpr unsigned kSeekPointSpacing = 10 * kSampleRate; // a seek point every ten seconds
constexpr unsigned kPaddingBytes = 4096;
constexpr size_t kChunkSamples = 16384; // stereo samples handed over at once

struct MemoryStream {
    std::vector<uint8_t>* bytes;
    size_t position = 0;
    bool failed = false;
};

FLAC__StreamEncoderWriteStatus WriteToMemory(const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t bytes,
                                             uint32_t, uint32_t, void* data)
{
    auto* stream = static_cast<MemoryStream*>(data);
    std::vector<uint8_t>& out = *stream->bytes;
    try {
        if (stream->position + bytes > out.size())
            out.resize(stream->position + bytes);
    } catch (const std::bad_alloc&) {
        stream->failed = true;
        return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    std::memcpy(out.data() + stream->position, buffer, bytes);
    stream->position += bytes;
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

FLAC__StreamEncoderSeekStatus SeekInMemory(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* data)
{
    auto* stream = static_cast<MemoryStream*>(data);
    if (offset > stream->bytes->size())
        return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
    stream->position = static_cast<size_t>(offset);
    return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

FLAC__StreamEncoderTellStatus TellInMemory(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* data)
{
    *offset = static_cast<const MemoryStream*>(data)->position;
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

struct EncoderDeleter {
    void operator()(FLAC__StreamEncoder* encoder) const { FLAC__stream_encoder_delete(encoder); }
};
struct MetadataDeleter {
    void operator()(FLAC__StreamMetadata* block) const { FLAC__metadata_object_delete(block); }
};
using Metadata = std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter>;

bool Cancelled(const std::atomic<int32_t>* flag) { return flag && flag->load(std::memory_order_relaxed) != 0; }

std::string FileErrorText(platform::FileError error)
{
    switch (error) {
    case platform::FileError::None: return "no error";
    case platform::FileError::NotFound: return "the folder does not exist";
    case platform::FileError::AccessDenied: return "access denied";
    case platform::FileError::DiskFull: return "the disk is full";
    case platform::FileError::TooManyOpen: return "too many files open";
    case platform::FileError::HardIo: return "input/output error";
    case platform::FileError::Generic: break;
    }
    return "the file could not be written";
}

} // namespace

const char* AudioFileExtension(AudioFormat format) { return format == AudioFormat::Flac ? ".flac" : ".wav"; }

bool EncodeFlac(const uint8_t* pcm, size_t bytes, unsigned level, const VorbisComments& comments,
                std::vector<uint8_t>* stream, const std::atomic<int32_t>* cancelFlag, std::string* reason)
{
    const uint64_t totalSamples = bytes / kBytesPerSample;
    std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter> encoder(FLAC__stream_encoder_new());
    Metadata tags(FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT));
    Metadata seekTable(FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE));
    Metadata padding(FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING));
    if (!encoder || !tags || !seekTable || !padding) {
        *reason = "not enough memory for the FLAC encoder";
        return false;
    }
    for (const auto& [name, value] : comments) {
        if (value.empty())
            continue;
        FLAC__StreamMetadata_VorbisComment_Entry entry;
        if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, name.c_str(), value.c_str()) ||
            !FLAC__metadata_object_vorbiscomment_append_comment(tags.get(), entry, /*copy=*/false)) {
            *reason = "the tag " + name + " cannot be stored";
            return false;
        }
    }
    if (totalSamples > 0 &&
        (!FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(seekTable.get(), kSeekPointSpacing,
                                                                                   totalSamples) ||
         !FLAC__metadata_object_seektable_template_sort(seekTable.get(), /*compact=*/true))) {
        *reason = "not enough memory for the seek table";
        return false;
    }
    padding->length = kPaddingBytes;
    FLAC__StreamMetadata* blocks[] = {tags.get(), seekTable.get(), padding.get()};

    // The encoder computes the MD5 of the samples into STREAMINFO by itself.
    FLAC__StreamEncoder* e = encoder.get();
    bool ok = FLAC__stream_encoder_set_channels(e, kChannels) &&
        FLAC__stream_encoder_set_bits_per_sample(e, kBitsPerSample) &&
        FLAC__stream_encoder_set_sample_rate(e, kSampleRate) &&
        FLAC__stream_encoder_set_compression_level(e, level > MAX_FLAC_LEVEL ? MAX_FLAC_LEVEL : level) &&
        FLAC__stream_encoder_set_total_samples_estimate(e, totalSamples) &&
        FLAC__stream_encoder_set_metadata(e, blocks, 3);
    stream->clear();
    MemoryStream memory{stream};
    if (!ok ||
        FLAC__stream_encoder_init_stream(e, WriteToMemory, SeekInMemory, TellInMemory, nullptr, &memory) !=
            FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        *reason = "the FLAC encoder cannot start";
        return false;
    }

    std::unique_ptr<FLAC__int32[]> chunk(new (std::nothrow) FLAC__int32[kChunkSamples * kChannels]);
    if (!chunk) {
        FLAC__stream_encoder_finish(e);
        *reason = "not enough memory for the FLAC encoder";
        return false;
    }
    for (uint64_t done = 0; done < totalSamples;) {
        if (Cancelled(cancelFlag)) {
            FLAC__stream_encoder_finish(e);
            *reason = "cancelled";
            return false;
        }
        const size_t count = static_cast<size_t>(std::min<uint64_t>(kChunkSamples, totalSamples - done));
        const uint8_t* from = pcm + done * kBytesPerSample;
        for (size_t i = 0; i < count * kChannels; ++i)
            chunk[i] = static_cast<int16_t>(static_cast<uint16_t>(from[2 * i] | from[2 * i + 1] << 8));
        if (!FLAC__stream_encoder_process_interleaved(e, chunk.get(), static_cast<uint32_t>(count))) {
            *reason = std::string("FLAC encoding failed: ") +
                FLAC__StreamEncoderStateString[FLAC__stream_encoder_get_state(e)];
            FLAC__stream_encoder_finish(e);
            return false;
        }
        done += count;
    }
    if (!FLAC__stream_encoder_finish(e) || memory.failed) {
        *reason = memory.failed ? "not enough memory for the FLAC stream" : "FLAC encoding failed at its end";
        return false;
    }
    return true;
}

bool WriteAudioFile(const std::string& path, const uint8_t* pcm, size_t bytes, const AudioFileOptions& options,
                    const std::atomic<int32_t>* cancelFlag, std::string* reason)
{
    // Each encoding thread keeps its stream's memory for the next track.
    thread_local std::vector<uint8_t> flac;
    if (options.format == AudioFormat::Flac &&
        !EncodeFlac(pcm, bytes, options.flacLevel, options.comments, &flac, cancelFlag, reason))
        return false;
    platform::AtomicFileWriter file;
    platform::FileError error = file.Open(path);
    if (error == platform::FileError::None) {
        if (options.format == AudioFormat::Flac) {
            error = file.Write(flac.data(), flac.size());
        } else {
            uint8_t header[WAVE_HEADER_SIZE];
            BuildWaveHeader(header, static_cast<uint32_t>(bytes), WAVE_FORMAT_44100_16_STEREO);
            error = file.Write(header, sizeof header);
            if (error == platform::FileError::None)
                error = file.Write(pcm, bytes);
        }
    }
    if (Cancelled(cancelFlag)) {
        file.Abort();
        *reason = "cancelled";
        return false;
    }
    if (error == platform::FileError::None)
        error = file.Commit();
    if (error != platform::FileError::None) {
        file.Abort();
        *reason = path + ": " + FileErrorText(error);
        return false;
    }
    return true;
}
