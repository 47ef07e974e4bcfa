// Feeds arbitrary text to the settings hive's loader, as a user.reg edited by hand or by other
// programs, and checks what the hive makes of it: the text comes back byte for byte; a value
// set in one of its keys and one in a new key are read back after the written text is loaded
// again, with the same number of lines not understood and every line of the text still there
// in its order; a value deleted is gone, also after a reload.
#include "fuzz_check.h"
#include "platform/hive.h"

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using platform::BYTE;
using platform::Hive;

namespace {

const std::string kRoot = "HKEY_CURRENT_USER";

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

// Whether the lines of part stand in whole in the same order: nothing the hive did not change
// moved or went.
bool InOrder(const std::vector<std::string_view>& part, const std::vector<std::string_view>& whole)
{
    size_t at = 0;
    for (std::string_view line : part) {
        while (at < whole.size() && whole[at] != line)
            ++at;
        if (at == whole.size())
            return false;
        ++at;
    }
    return true;
}

// The path of the first key header of the text, or a key of its own.
std::string FirstKey(std::string_view text)
{
    for (std::string_view line : Lines(text)) {
        if (line.size() > kRoot.size() + 3 && line.front() == '[' && line.back() == ']' &&
            line[kRoot.size() + 1] == '\\') {
            std::string root(line.substr(1, kRoot.size()));
            for (char& c : root)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (root == kRoot)
                return std::string(line.substr(kRoot.size() + 2, line.size() - kRoot.size() - 3));
        }
    }
    return "Software\\Fuzz";
}

bool Mentions(std::string_view text, std::string_view name)
{
    for (size_t i = 0; i + name.size() <= text.size(); ++i) {
        size_t j = 0;
        while (j < name.size() &&
               std::tolower(static_cast<unsigned char>(text[i + j])) ==
                   std::tolower(static_cast<unsigned char>(name[j])))
            ++j;
        if (j == name.size())
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Hive hive(kRoot, "");
    const int bad = hive.LoadText(text);
    FUZZ_CHECK(bad >= 0 && size_t(bad) <= Lines(text).size());
    FUZZ_CHECK(hive.ToText() == text);

    // A value of the first bytes of the input in the text's first key, and a text in a new key.
    const std::string key = FirstKey(text);
    const std::vector<BYTE> bytes(data, data + std::min<size_t>(size, 12));
    FUZZ_CHECK(hive.SetValue(key, "FuzzValue", platform::REG_BINARY, bytes));
    FUZZ_CHECK(hive.SetValue("Software\\Fuzz\\Added", "", platform::REG_SZ, {'o', 'k', 0}));
    const std::string written = hive.ToText();

    Hive reread(kRoot, "");
    FUZZ_CHECK(reread.LoadText(written) == bad);
    const Hive::Value* value = reread.FindValue(key, "fuzzvalue");
    FUZZ_CHECK(value && value->type == platform::REG_BINARY && value->data == bytes);
    const Hive::Value* added = reread.FindValue("software\\FUZZ\\added", "");
    FUZZ_CHECK(added && added->type == platform::REG_SZ && added->data == (std::vector<BYTE>{'o', 'k', 0}));
    // When no line of the text could give that value, the hive only added lines.
    if (!Mentions(text, "fuzz"))
        FUZZ_CHECK(InOrder(Lines(text), Lines(written)));

    FUZZ_CHECK(reread.DeleteValue(key, "FuzzValue"));
    FUZZ_CHECK(reread.FindValue(key, "FuzzValue") == nullptr);
    Hive afterDelete(kRoot, "");
    FUZZ_CHECK(afterDelete.LoadText(reread.ToText()) == bad);
    FUZZ_CHECK(afterDelete.FindValue(key, "FuzzValue") == nullptr);
    FUZZ_CHECK(afterDelete.FindValue("Software\\Fuzz\\Added", "") != nullptr);
    return 0;
}
