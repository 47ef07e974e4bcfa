#include "extract/read_offset.h"

#include <algorithm>
#include <charconv>

#include "base/app_settings.h"

namespace {

constexpr char ENTRY_SEPARATOR = ';';
constexpr char VALUE_SEPARATOR = '=';
constexpr uint32_t MIN_TRIES = 2; // the two passes
constexpr uint32_t MAX_TRIES = 255;

// A model name as a key: the separators of the stored text cannot be part of it.
std::string ModelKey(std::string model)
{
    std::replace(model.begin(), model.end(), ENTRY_SEPARATOR, ' ');
    std::replace(model.begin(), model.end(), VALUE_SEPARATOR, ' ');
    return model;
}

} // namespace

std::map<std::string, int32_t> ParseDriveReadOffsets(const std::string& text)
{
    std::map<std::string, int32_t> offsets;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(ENTRY_SEPARATOR, start);
        if (end == std::string::npos)
            end = text.size();
        const std::string entry = text.substr(start, end - start);
        const size_t equals = entry.rfind(VALUE_SEPARATOR);
        if (equals != std::string::npos && equals > 0) {
            const char* first = entry.data() + equals + 1;
            const char* last = entry.data() + entry.size();
            if (first < last && *first == '+')
                ++first;
            int32_t value = 0;
            const auto [at, error] = std::from_chars(first, last, value);
            if (error == std::errc() && at == last && first != last)
                offsets[entry.substr(0, equals)] = std::clamp(value, MIN_READ_OFFSET, MAX_READ_OFFSET);
        }
        start = end + 1;
    }
    return offsets;
}

std::string FormatDriveReadOffsets(const std::map<std::string, int32_t>& offsets)
{
    std::string text;
    for (const auto& [model, offset] : offsets) {
        if (!text.empty())
            text += ENTRY_SEPARATOR;
        text += ModelKey(model) + VALUE_SEPARATOR + (offset > 0 ? "+" : "") + std::to_string(offset);
    }
    return text;
}

int32_t ReadOffsetFor(const AppSettings& settings, const std::string& model)
{
    if (!model.empty()) {
        const std::map<std::string, int32_t> offsets = ParseDriveReadOffsets(settings.DriveReadOffsets);
        const auto found = offsets.find(ModelKey(model));
        if (found != offsets.end())
            return found->second;
    }
    return std::clamp(settings.ReadOffset, MIN_READ_OFFSET, MAX_READ_OFFSET);
}

void StoreReadOffset(AppSettings& settings, const std::string& model, int32_t offset)
{
    offset = std::clamp(offset, MIN_READ_OFFSET, MAX_READ_OFFSET);
    if (model.empty()) {
        settings.ReadOffset = offset;
        return;
    }
    std::map<std::string, int32_t> offsets = ParseDriveReadOffsets(settings.DriveReadOffsets);
    offsets[ModelKey(model)] = offset;
    settings.DriveReadOffsets = FormatDriveReadOffsets(offsets);
}

SecureReadOptions SecureReadOptionsFor(const AppSettings& settings, const std::string& model)
{
    SecureReadOptions options;
    options.maxReads = std::clamp(settings.SecureReadTries, MIN_TRIES, MAX_TRIES);
    options.defeatCache = settings.DefeatDriveCache != 0;
    options.readOffset = ReadOffsetFor(settings, model);
    return options;
}
