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
// the end of the file with its first value (creating a key alone writes nothing). Loading
// takes time in proportion to the size of the file; a file larger than any settings hive
// (MAX_HIVE_FILE_SIZE) is not read, and never written over.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

using DWORD = uint32_t;
using BYTE = uint8_t;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr uint64_t MAX_HIVE_FILE_SIZE = 16u << 20;

// "a\\b\\" -> "a\\b": the form of a key path the hive compares; empty parts are dropped.
std::string NormaliseKeyPath(std::string_view path);

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
    static constexpr uint32_t kNoLine = UINT32_MAX;

    // One line of the text as loaded (several when a value goes on over continued lines), with
    // its line end exactly as it was; or the text that has replaced it (empty: removed).
    struct Line {
        std::string_view source;   // into one of m_sources
        std::string text;
        bool replaced = false;
        bool hasAdded = false;     // lines were added after it (m_added)
        bool continues = false;    // the last line of a text, ending in the middle of a value
    };
    // Where a value's line is: line itself (added == 0), or the added-th line added after it.
    struct LineRef {
        uint32_t line = kNoLine;
        uint32_t added = 0;
    };
    struct StoredValue {
        Value value;
        LineRef line;                    // the line that gives the value
        std::vector<LineRef> shadowed;   // earlier lines of the same name, which it overrides
        std::string comment;             // what followed the value on its line (" ; white")
    };
    struct Key {
        std::string path;                                  // as first written, below the root
        std::vector<StoredValue> values;                   // in the order they were first set
        std::unordered_map<std::string, uint32_t> byName;  // lower-case name -> index in values
        uint32_t last = kNoLine;                           // its last line in the text
    };

    void Refresh();
    bool Save();
    Key* Find(const std::string& path);
    Key& MakeKey(const std::string& normalPath);
    void Clear();
    void ReadLine(uint32_t index, bool first, std::string_view logical, Key*& current, int& bad);
    // A line for a new value of key, after the key's last line (a new key gets its header at
    // the end of the text first).
    LineRef AddValueLine(Key& key);
    void SetLineText(LineRef ref, const StoredValue& stored);
    void RemoveLine(LineRef ref);
    const std::string& NewLineEnd() const;

    std::string m_rootName;
    std::string m_filePath;
    bool m_readOnly = false;
    bool m_loadRefused = false;          // the file is there but was not read: never write it
    bool m_crlf = false;                 // the text's lines end in CR LF
    std::list<std::string> m_sources;    // the texts as loaded, in order
    std::vector<Line> m_lines;
    std::unordered_map<uint32_t, std::vector<std::string>> m_added;  // lines added after a line
    std::map<std::string, Key> m_keys;   // by lower-case path
    std::vector<std::string> m_writeLog;
    std::string m_loadedStamp;           // file state when last loaded or saved
    bool m_loaded = false;
};

} // namespace platform
