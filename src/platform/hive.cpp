#include "platform/hive.h"

#include "platform/atomic_file.h"
#include "platform/file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace platform {
namespace {

using hive_text::LineKind;
using hive_text::LogicalLine;

const std::string kLf = "\n";
const std::string kCrLf = "\r\n";

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string FileStamp(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return "missing";
    return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + "/" +
        std::to_string(info.st_size) + "/" + std::to_string(info.st_ino);
}

bool CanWritePath(const std::string& path)
{
    std::filesystem::path probe(path);
    std::error_code error;
    if (std::filesystem::exists(probe, error))
        return access(probe.c_str(), W_OK) == 0;
    // A file that does not exist yet can be made when its nearest existing folder is writable.
    for (probe = probe.parent_path(); !probe.empty(); probe = probe.parent_path())
        if (std::filesystem::exists(probe, error))
            return std::filesystem::is_directory(probe, error) && access(probe.c_str(), W_OK) == 0;
    return false;
}

} // namespace

Hive::Hive(std::string rootName, std::string filePath)
    : m_rootName(std::move(rootName)),
      m_filePath(std::move(filePath))
{
}

const std::string& Hive::NewLineEnd() const { return m_crlf ? kCrLf : kLf; }

void Hive::Clear()
{
    m_text.clear();
    m_rewrites.clear();
    m_additions.clear();
    m_dangling.clear();
    m_keys.clear();
    m_crlf = false;
}

void Hive::Refresh()
{
    if (m_filePath.empty())
        return;
    const std::string stamp = FileStamp(m_filePath);
    if (m_loaded && stamp == m_loadedStamp)
        return;
    // Keys created in memory and not written yet outlive a reload of the file.
    std::vector<std::string> unwritten;
    for (const auto& [lower, key] : m_keys)
        if (key.blocks.empty() && !key.addition)
            unwritten.push_back(key.path);

    m_loaded = true;
    m_loadedStamp = stamp;
    m_loadRefused = false;
    std::string text;
    bool tooLarge = false;
    const FileError error = ReadTextFile(m_filePath, text, MAX_HIVE_FILE_SIZE, &tooLarge);
    Clear();
    if (error == FileError::None || error == FileError::NotFound) {
        if (const int bad = LoadText(std::move(text)))
            std::fprintf(stderr, "Ripwell: %s: %d line(s) could not be read; they are kept as they are\n",
                         m_filePath.c_str(), bad);
    } else {
        m_loadRefused = true;
        if (tooLarge)
            std::fprintf(stderr,
                         "Ripwell: %s is larger than %u MB, too large for a settings file; using the "
                         "defaults and leaving the file as it is\n",
                         m_filePath.c_str(), static_cast<unsigned>(MAX_HIVE_FILE_SIZE >> 20));
        else
            std::fprintf(stderr, "Ripwell: %s cannot be read; using the defaults and leaving the file as it is\n",
                         m_filePath.c_str());
    }
    for (const std::string& path : unwritten)
        MakeKey(path);
}

int Hive::LoadText(std::string text)
{
    size_t start = 0;
    if (m_text.empty()) {
        m_text = std::move(text);
        const size_t firstEnd = m_text.find('\n');
        m_crlf = firstEnd != std::string::npos && firstEnd > 0 && m_text[firstEnd - 1] == '\r';
    } else {
        // The new text begins a line of its own, and a value still going on at the end of the
        // old one ends before it.
        const size_t oldEnd = m_text.size();
        if (m_text.back() != '\n')
            m_text += m_text.back() == '\r' ? kLf : NewLineEnd();
        if (m_dangling.erase(oldEnd))
            m_text += NewLineEnd();
        start = m_text.size();
        m_text += text;
    }
    // What the keys held may have changed: they are read again when next asked for.
    for (auto& [lower, key] : m_keys) {
        key.indexed = false;
        key.values.clear();
        key.nameSlots.clear();
    }

    const std::string_view source(m_text);
    Key* current = nullptr;
    size_t blockBegin = 0;
    const auto closeBlock = [&](size_t at) {
        if (current)
            current->blocks.emplace_back(blockBegin, at);
        current = nullptr;
    };
    int bad = 0;
    std::string joined;
    std::string path;
    for (size_t pos = start; pos < source.size();) {
        const LogicalLine line = hive_text::ReadLogicalLine(source, pos, joined);
        switch (hive_text::Classify(line.text, pos == start, m_rootName, &path)) {
        case LineKind::Nothing: break;
        case LineKind::Header:
            closeBlock(line.begin);
            current = &MakeKey(path);
            current->insertAt = line.next;
            blockBegin = line.next;
            break;
        case LineKind::BadHeader:
            closeBlock(line.begin);
            ++bad;
            break;
        case LineKind::Value:
            if (current)
                current->insertAt = line.next;
            else
                ++bad;
            break;
        case LineKind::Unreadable: ++bad; break;
        }
        if (line.dangling)
            m_dangling[line.next] = line.begin;
        pos = line.next;
    }
    closeBlock(source.size());
    return bad;
}

namespace {

uint64_t NameHash(std::string_view name)
{
    uint64_t hash = 14695981039346656037ull; // FNV-1a over the name in lower case
    for (char c : name)
        hash = (hash ^ uint64_t(std::tolower(static_cast<unsigned char>(c)))) * 1099511628211ull;
    return hash;
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

size_t Hive::FindName(const Key& key, std::string_view name)
{
    if (key.nameSlots.empty())
        return kNone;
    const size_t mask = key.nameSlots.size() - 1;
    for (size_t slot = NameHash(name) & mask; key.nameSlots[slot] != 0; slot = (slot + 1) & mask)
        if (SameName(key.values[key.nameSlots[slot] - 1].value.name, name))
            return key.nameSlots[slot] - 1;
    return kNone;
}

void Hive::AddName(Key& key, size_t index)
{
    // At most half the slots taken, so that a search ends soon.
    if ((index + 1) * 2 > key.nameSlots.size()) {
        RebuildNames(key, (index + 1) * 2);
        return;
    }
    const size_t mask = key.nameSlots.size() - 1;
    size_t slot = NameHash(key.values[index].value.name) & mask;
    while (key.nameSlots[slot] != 0)
        slot = (slot + 1) & mask;
    key.nameSlots[slot] = uint32_t(index + 1);
}

void Hive::RebuildNames(Key& key, size_t room)
{
    size_t size = 16;
    while (size < room * 2)
        size *= 2;
    key.nameSlots.assign(size, 0);
    for (size_t i = 0; i < key.values.size(); ++i)
        AddName(key, i);
}

void Hive::AddToIndex(Key& key, StoredValue stored, const std::string& name)
{
    const size_t found = FindName(key, name);
    if (found == kNone) {
        stored.value.name = name;
        key.values.push_back(std::move(stored));
        AddName(key, key.values.size() - 1);
        return;
    }
    // A later line of the same name wins, as it would when the file is imported; the earlier
    // line is remembered, to go with the value when it is deleted.
    StoredValue& earlier = key.values[found];
    stored.value.name = std::move(earlier.value.name);
    stored.shadowed = std::move(earlier.shadowed);
    if (earlier.begin != kNone)
        stored.shadowed.emplace_back(earlier.begin, earlier.next);
    earlier = std::move(stored);
}

void Hive::Index(Key& key)
{
    if (key.indexed)
        return;
    key.indexed = true;
    key.values.clear();
    const std::string_view source(m_text);
    std::string joined, name;
    // Room for a value a line, so that a key of many values is not moved about as it grows.
    size_t lines = key.addition ? key.addition->lines.size() : 0;
    for (const auto& [begin, end] : key.blocks)
        lines +=
            size_t(std::count(source.begin() + std::ptrdiff_t(begin), source.begin() + std::ptrdiff_t(end), '\n')) + 1;
    key.values.reserve(lines);
    RebuildNames(key, lines);
    // The values in the order of the text: the lines the program added stand where they go.
    bool addedRead = !key.addition;
    const auto readAdded = [&] {
        for (size_t i = 0; i < key.addition->lines.size(); ++i) {
            std::string_view line = key.addition->lines[i];
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.remove_suffix(1);
            StoredValue stored;
            if (line.empty() ||
                !hive_text::ParseValueLine(line, name, stored.value.type, stored.value.data, stored.comment))
                continue; // deleted
            stored.addition = key.addition;
            stored.added = i;
            AddToIndex(key, std::move(stored), name);
        }
        addedRead = true;
    };
    for (const auto& [begin, end] : key.blocks) {
        if (!addedRead && begin >= key.addition->at)
            readAdded();
        for (size_t pos = begin; pos < end;) {
            const LogicalLine line = hive_text::ReadLogicalLine(source, pos, joined);
            pos = line.next;
            // A line the program rewrote reads as it now stands.
            std::string_view text = line.text;
            if (const auto rewrite = m_rewrites.find(line.begin); rewrite != m_rewrites.end()) {
                if (rewrite->second.text.empty())
                    continue; // deleted
                text = rewrite->second.text;
            }
            StoredValue stored;
            if (!hive_text::ParseValueLine(text, name, stored.value.type, stored.value.data, stored.comment))
                continue;
            stored.begin = line.begin;
            stored.end = line.end;
            stored.next = line.next;
            AddToIndex(key, std::move(stored), name);
        }
    }
    if (!addedRead)
        readAdded();
}

std::string Hive::ToText() const
{
    // The additions in the order of the text, and those at one place in the order made.
    std::vector<const Addition*> additions;
    for (const Addition& addition : m_additions)
        additions.push_back(&addition);
    std::stable_sort(additions.begin(), additions.end(),
                     [](const Addition* a, const Addition* b) { return a->at < b->at; });

    std::string out;
    out.reserve(m_text.size() + 256);
    const auto endLine = [this, &out] {
        // Only the last line of a text may lack its line end; what follows gets one first.
        if (!out.empty() && out.back() != '\n')
            out += out.back() == '\r' ? kLf : NewLineEnd(); // a carriage return already there
    };
    size_t pos = 0;
    auto nextAddition = additions.begin();
    auto nextRewrite = m_rewrites.begin();
    while (true) {
        const size_t additionAt = nextAddition != additions.end() ? (*nextAddition)->at : kNone;
        const size_t rewriteAt = nextRewrite != m_rewrites.end() ? nextRewrite->first : kNone;
        const size_t at = std::min({additionAt, rewriteAt, m_text.size()});
        if (at > pos) {
            out.append(m_text, pos, at - pos);
            pos = at;
        }
        if (at == additionAt) {
            endLine();
            // A value still going on at the end of the text is ended by a blank line first.
            const auto dangling = m_dangling.find(at);
            if (dangling != m_dangling.end() && !m_rewrites.count(dangling->second))
                out += NewLineEnd();
            for (; nextAddition != additions.end() && (*nextAddition)->at == at; ++nextAddition) {
                out += (*nextAddition)->header;
                for (const std::string& line : (*nextAddition)->lines)
                    out += line;
            }
            continue;
        }
        if (at == rewriteAt) {
            out += nextRewrite->second.text;
            pos = nextRewrite->second.end;
            ++nextRewrite;
            continue;
        }
        break; // the end of the text
    }
    return out;
}

Hive::Key& Hive::MakeKey(const std::string& normalPath)
{
    // Every key above it comes into being too.
    Key* key = nullptr;
    size_t end = 0;
    do {
        end = normalPath.find('\\', end + (end != 0));
        const std::string partial = normalPath.substr(0, end);
        key = &m_keys[Lower(partial)];
        if (key->path.empty())
            key->path = partial;
    } while (end != std::string::npos);
    return *key;
}

Hive::Key* Hive::Find(const std::string& path)
{
    Refresh();
    auto found = m_keys.find(Lower(NormaliseKeyPath(path)));
    return found == m_keys.end() ? nullptr : &found->second;
}

bool Hive::Writable()
{
    if (m_readOnly)
        return false;
    if (m_filePath.empty())
        return true;
    Refresh();
    return !m_loadRefused && CanWritePath(m_filePath);
}

bool Hive::Save()
{
    if (m_filePath.empty())
        return !m_readOnly;
    if (m_loadRefused)
        return false;
    std::error_code error;
    const auto folder = std::filesystem::path(FinalLinkTarget(m_filePath)).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    if (!WriteFileAtomically(m_filePath, ToText()))
        return false;
    m_loadedStamp = FileStamp(m_filePath);
    return true;
}

bool Hive::HasKey(const std::string& path) { return NormaliseKeyPath(path).empty() || Find(path) != nullptr; }

bool Hive::CreateKey(const std::string& path, bool* created)
{
    if (created)
        *created = false;
    if (HasKey(path))
        return true;
    if (!Writable())
        return false;
    MakeKey(NormaliseKeyPath(path));
    if (created)
        *created = true;
    return true;
}

const Hive::Value* Hive::FindValue(const std::string& path, const std::string& name)
{
    Key* key = Find(path);
    if (!key)
        return nullptr;
    Index(*key);
    const size_t found = FindName(*key, name);
    return found == kNone ? nullptr : &key->values[found].value;
}

Hive::Addition& Hive::AdditionFor(Key& key)
{
    if (key.addition)
        return *key.addition;
    Addition addition;
    if (key.insertAt != kNone) {
        addition.at = key.insertAt;
    } else {
        // A key the text does not have yet: at the end, after a blank line.
        addition.at = m_text.size();
        const bool startsText = m_text.empty() && m_additions.empty();
        addition.header = (startsText ? "REGEDIT4" + NewLineEnd() : std::string()) + NewLineEnd() + "[" + m_rootName +
            (key.path.empty() ? "" : "\\" + key.path) + "]" + NewLineEnd();
    }
    key.addition = &m_additions.emplace_back(std::move(addition));
    return *key.addition;
}

void Hive::RemoveLoadedLine(size_t begin, size_t next) { m_rewrites[begin] = Rewrite{next, std::string()}; }

bool Hive::SetValue(const std::string& path, const std::string& name, DWORD type, std::vector<BYTE> data)
{
    if (!Writable())
        return false;
    Key& key = MakeKey(NormaliseKeyPath(path));
    Index(key);
    m_writeLog.push_back(key.path + "\\" + name);
    const size_t found = FindName(key, name);
    if (found == kNone) {
        Addition& addition = AdditionFor(key);
        addition.lines.push_back(hive_text::FormatValueLine(name, type, data, {}) + NewLineEnd());
        StoredValue stored;
        stored.value = Value{name, type, std::move(data)};
        stored.addition = &addition;
        stored.added = addition.lines.size() - 1;
        key.values.push_back(std::move(stored));
        AddName(key, key.values.size() - 1);
        return Save();
    }
    StoredValue& stored = key.values[found];
    if (stored.value.type == type && stored.value.data == data)
        return true; // nothing changes, nothing is written
    stored.value.type = type;
    stored.value.data = std::move(data);
    const std::string line = hive_text::FormatValueLine(stored.value.name, type, stored.value.data, stored.comment);
    if (stored.addition)
        stored.addition->lines[stored.added] = line + NewLineEnd();
    else
        m_rewrites[stored.begin] = Rewrite{stored.end, line}; // its line end stays as it was
    return Save();
}

bool Hive::DeleteValue(const std::string& path, const std::string& name)
{
    if (!Writable())
        return false;
    Key* key = Find(path);
    if (!key)
        return false;
    Index(*key);
    const size_t index = FindName(*key, name);
    if (index == kNone)
        return false;
    // The value's own line goes, and every earlier line of the same name, which would give it
    // again at the next load.
    const StoredValue& stored = key->values[index];
    if (stored.addition)
        stored.addition->lines[stored.added].clear();
    else
        RemoveLoadedLine(stored.begin, stored.next);
    for (const auto& [begin, next] : stored.shadowed)
        RemoveLoadedLine(begin, next);
    key->values.erase(key->values.begin() + std::ptrdiff_t(index));
    RebuildNames(*key, key->values.size());
    return Save();
}

} // namespace platform
