// The AutoPlay key of a test, with the registry's own semantics: the key holds whatever string
// is written into its default value ("Play", "play " and all), may be missing or read-only,
// and may refuse a write although it opened. Installs itself for its lifetime.
//
//   ScriptedAutoPlayKey key;
//   key.value = "Play";
//   ... the Options command ...
//   EXPECT_TRUE(key.writes.empty());
#pragma once

#include "platform/autoplay_key.h"

#include <optional>
#include <string>
#include <vector>

class ScriptedAutoPlayKey : public platform::AutoPlayKeyStore {
public:
    ScriptedAutoPlayKey() { platform::SetAutoPlayKeyStore(this); }
    ~ScriptedAutoPlayKey() override { platform::SetAutoPlayKeyStore(nullptr); }
    ScriptedAutoPlayKey(const ScriptedAutoPlayKey&) = delete;
    ScriptedAutoPlayKey& operator=(const ScriptedAutoPlayKey&) = delete;

    bool present = true;                       // the key (and every key above it) exists
    bool writable = true;                      // may be opened for writing (as an administrator)
    bool writeFails = false;                   // opens for writing, but the write itself fails
    std::optional<std::string> value = "play"; // the default value; nullopt: not set
    std::vector<std::string> writes;           // every value written, in order
    std::vector<std::string> opened;           // every path opened, in order

    platform::LONG OpenKey(const std::string& path, platform::REGSAM access) override
    {
        opened.push_back(path);
        if (!present)
            return platform::ERROR_FILE_NOT_FOUND;
        if ((access & platform::KEY_SET_VALUE) && !writable)
            return platform::ERROR_ACCESS_DENIED;
        return platform::ERROR_SUCCESS;
    }
    platform::LONG QueryDefaultValue(std::string* text) override
    {
        if (!present || !value)
            return platform::ERROR_FILE_NOT_FOUND;
        *text = *value;
        return platform::ERROR_SUCCESS;
    }
    platform::LONG SetDefaultValue(const std::string& text) override
    {
        if (writeFails)
            return platform::ERROR_ACCESS_DENIED;
        writes.push_back(text);
        value = text;
        return platform::ERROR_SUCCESS;
    }
};
