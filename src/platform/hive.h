// One registry hive: a tree of keys with typed values, kept in a REGEDIT4-style text file
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Brightmoor\Ripwell\Settings]
//   "DefaultCDROMDrive"=dword:00000044
//   "CDPlayer"="CDPLAYER.EXE"          (\\ and \" escaped; \n, \r, \t too)
//   @="play"                           (the key's default value)
//   "Other"=hex(7):61,00,\             (any other type, as bytes; a line ending in a
//     62,00                             backslash goes on in the next one)
//   "Colour"=dword:00ffffff ; white    (a comment may follow a value)
//
// The file is the user's as much as the program's. A change rewrites only the lines of the
// values it changes: every other line (comments, blank lines, lines that cannot be read,
// values of other programs) stays where it was, byte for byte, and a change that changes
// nothing writes nothing. A new value goes after the last line of its key; a new key goes at
// the end of the file with its first value (creating a key alone writes nothing).
//
// Loading checks every line and notes where each key's lines are, and takes a key's values
// apart only when the key is first asked for, so that a large hive costs little more than
// reading it; a file larger than any settings hive (MAX_HIVE_FILE_SIZE) is not read, and
// never written over.
#pragma once

#include "platform/hive_text.h"

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using DWORD = uint32_t;
using BYTE = uint8_t;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr uint64_t MAX_HIVE_FILE_SIZE = 16u << 20;

using hive_text::NormaliseKeyPath;

class Hive {
public:
    struct Value {
        std::string name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };

    // rootName: "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"; filePath empty: memory only (the
    // test double), which saves nothing.
    Hive(std::string rootName, std::string filePath);
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    const std::string& RootName() const { return m_rootName; }
    const std::string& FilePath() const { return m_filePath; }

    // Paths are below the root, with backslashes ("Software\\Brightmoor"); case-insensitive.
    bool HasKey(const std::string& path);
    // Creates the key and every key above it, in memory; false when the hive may not be
    // changed.
    bool CreateKey(const std::string& path, bool* created = nullptr);
    const Value* FindValue(const std::string& path, const std::string& name);
    // Sets a value (creating its key); false when the change cannot be saved.
    bool SetValue(const std::string& path, const std::string& name, DWORD type, std::vector<BYTE> data);
    // False when there is no such value or the change cannot be saved.
    bool DeleteValue(const std::string& path, const std::string& name);
    // Whether changes can be made (and saved).
    bool Writable();

    // Memory only: refuse every change, as a hive the user may not write.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Every value write asked for, as "key path\name", in order (also those that changed
    // nothing).
    const std::vector<std::string>& WriteLog() const { return m_writeLog; }

    // The text a save writes now, and reading text into the hive, as if it stood after what
    // the hive holds (a value in it replaces one of the same name). LoadText returns the number
    // of lines it could not read (they are kept as they are).
    std::string ToText() const;
    int LoadText(std::string text);

private:
    static constexpr size_t kNone = SIZE_MAX;

    // Lines the program adds at one place of the text: a new key's blank line and header, then
    // the values added there, each with its line end ("" once deleted).
    struct Addition {
        size_t at; // the offset in m_text they go before
        std::string header;
        std::vector<std::string> lines;
    };
    // The text that now stands for the bytes [begin, end) of m_text ("" once deleted).
    struct Rewrite {
        size_t end;
        std::string text;
    };
    struct StoredValue {
        Value value;
        std::string comment;  // what followed the value on its line (" ; white")
        size_t begin = kNone; // its line in m_text, line end left out (kNone: added)
        size_t end = kNone;
        size_t next = kNone;          // where the line after it begins
        Addition* addition = nullptr; // an added value's line: addition->lines[added]
        size_t added = 0;
        std::vector<std::pair<size_t, size_t>> shadowed; // earlier lines of the same name
    };
    struct Key {
        std::string path;                              // as first written, below the root
        std::vector<std::pair<size_t, size_t>> blocks; // the bytes after each of its headers
        size_t insertAt = kNone;                       // where the line after its last header or value begins
        Addition* addition = nullptr;                  // where its new values go
        // Its values, read from the text (as the program changed it) when first asked for.
        bool indexed = false;
        std::vector<StoredValue> values; // in the order they were first set
        std::vector<uint32_t> nameSlots; // values by name, any case: open addressing, index + 1
    };

    void Refresh();
    bool Save();
    Key* Find(const std::string& path);
    Key& MakeKey(const std::string& normalPath);
    void Clear();
    void Index(Key& key);
    void AddToIndex(Key& key, StoredValue stored, const std::string& name);
    static size_t FindName(const Key& key, std::string_view name);
    static void AddName(Key& key, size_t index);
    static void RebuildNames(Key& key, size_t room);
    Addition& AdditionFor(Key& key);
    void RemoveLoadedLine(size_t begin, size_t next);
    const std::string& NewLineEnd() const;

    std::string m_rootName;
    std::string m_filePath;
    bool m_readOnly = false;
    bool m_loadRefused = false;           // the file is there but was not read: never write it
    bool m_crlf = false;                  // the text's lines end in CR LF
    std::string m_text;                   // the text as loaded
    std::map<size_t, Rewrite> m_rewrites; // by the offset of the bytes rewritten
    std::list<Addition> m_additions;      // in the order they were made
    std::map<size_t, size_t> m_dangling;  // end of a text inside a value -> its line
    std::map<std::string, Key> m_keys;    // by lower-case path
    std::vector<std::string> m_writeLog;
    std::string m_loadedStamp; // file state when last loaded or saved
    bool m_loaded = false;
};

} // namespace platform
