#include "platform/cdrom/toc_file.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

#include "platform/cdrom/msf.h"

namespace platform::cdrom {

namespace {

struct Token {
    enum class Kind { End, Word, String, Number, Msf, Offset, Symbol };
    Kind kind = Kind::End;
    std::string text;   // a word in upper case, a string's contents, a symbol
    uint64_t value = 0; // a number, an offset, or the frames of an MSF value
    int line = 0;
};

class Lexer {
public:
    explicit Lexer(const std::string& text) : m_text(text) {}

    // The next token; false and a reason for text that is no token.
    bool Next(Token* token, std::string* reason)
    {
        SkipBlanksAndComments();
        *token = Token{};
        token->line = m_line;
        if (m_at >= m_text.size())
            return true;
        const char c = m_text[m_at];
        if (c == '"')
            return String(token, reason);
        if (std::isdigit(static_cast<unsigned char>(c)))
            return Number(token, reason);
        if (c == '#') {
            ++m_at;
            if (m_at >= m_text.size() || !std::isdigit(static_cast<unsigned char>(m_text[m_at]))) {
                *reason = AtLine("# must be followed by a byte offset", m_line);
                return false;
            }
            if (!Number(token, reason))
                return false;
            if (token->kind != Token::Kind::Number) {
                *reason = AtLine("a byte offset is a number of bytes", m_line);
                return false;
            }
            token->kind = Token::Kind::Offset;
            return true;
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t end = m_at;
            while (end < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[end])) || m_text[end] == '_'))
                ++end;
            token->kind = Token::Kind::Word;
            token->text = m_text.substr(m_at, end - m_at);
            std::transform(token->text.begin(), token->text.end(), token->text.begin(),
                           [](unsigned char x) { return static_cast<char>(std::toupper(x)); });
            m_at = end;
            return true;
        }
        if (c == '{' || c == '}' || c == ',' || c == ':') {
            token->kind = Token::Kind::Symbol;
            token->text = std::string(1, c);
            ++m_at;
            return true;
        }
        if (c == '\0')
            *reason = AtLine("not a text file", m_line);
        else
            *reason = AtLine(std::string("unexpected character '") + c + "'", m_line);
        return false;
    }

private:
    void SkipBlanksAndComments()
    {
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == '\n') {
                ++m_line;
                ++m_at;
            } else if (c == '/' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '/') {
                while (m_at < m_text.size() && m_text[m_at] != '\n')
                    ++m_at;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++m_at;
            } else {
                return;
            }
        }
    }

    bool Digits(uint64_t* value)
    {
        const size_t start = m_at;
        *value = 0;
        while (m_at < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_at]))) {
            if (m_at - start >= 18)
                return false;
            *value = *value * 10 + static_cast<uint64_t>(m_text[m_at] - '0');
            ++m_at;
        }
        return m_at > start;
    }

    // A number, or minute:second:frame: "0 : EN" and "0:EN" in a language map are a number and
    // a colon, a colon with a digit after it starts a time.
    bool Number(Token* token, std::string* reason)
    {
        const size_t start = m_at;
        uint64_t parts[3] = {};
        if (!Digits(&parts[0])) {
            *reason = AtLine("a number is too long", m_line);
            return false;
        }
        token->kind = Token::Kind::Number;
        token->value = parts[0];
        if (!ColonDigit())
            return true;
        bool complete = true;
        for (int i = 1; i < 3 && complete; ++i) {
            complete = ColonDigit();
            if (complete) {
                ++m_at;
                complete = Digits(&parts[i]);
            }
        }
        const size_t end = m_at;
        while (m_at < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == ':'))
            ++m_at; // the rest of a malformed time, for the message
        if (!complete || m_at != end || parts[0] > 99 * 60 || parts[1] >= SECONDS_PER_MINUTE ||
            parts[2] >= FRAMES_PER_SECOND) {
            *reason = AtLine("bad time " + m_text.substr(start, m_at - start) +
                                 " (mm:ss:ff, seconds below 60, frames below 75)",
                             m_line);
            return false;
        }
        token->kind = Token::Kind::Msf;
        token->value = parts[0] * FRAMES_PER_MINUTE + parts[1] * FRAMES_PER_SECOND + parts[2];
        return true;
    }

    bool ColonDigit() const
    {
        return m_at + 1 < m_text.size() && m_text[m_at] == ':' &&
            std::isdigit(static_cast<unsigned char>(m_text[m_at + 1]));
    }

    bool String(Token* token, std::string* reason)
    {
        ++m_at;
        std::string value;
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            char c = m_text[m_at];
            if (c == '\n')
                break;
            if (c == '\\' && m_at + 1 < m_text.size()) {
                ++m_at;
                c = m_text[m_at];
                if (c >= '0' && c <= '7') { // an octal escape, as cdrdao writes CD-TEXT bytes
                    int octal = 0;
                    for (int i = 0; i < 3 && m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '7'; ++i)
                        octal = octal * 8 + (m_text[m_at++] - '0');
                    value += static_cast<char>(octal);
                    continue;
                }
            }
            value += c;
            ++m_at;
        }
        if (m_at >= m_text.size() || m_text[m_at] != '"') {
            *reason = AtLine("a quote is not closed", m_line);
            return false;
        }
        ++m_at;
        token->kind = Token::Kind::String;
        token->text = value;
        return true;
    }

    const std::string& m_text;
    size_t m_at = 0;
    int m_line = 1;
};

bool EndsWithWav(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".wav";
}

class Parser {
public:
    Parser(const std::string& text, DiscProgram& program, std::string& reason)
        : m_lexer(text),
          m_program(program),
          m_reason(reason)
    {
    }

    bool Run()
    {
        if (!Advance())
            return false;
        while (m_token.kind != Token::Kind::End) {
            if (m_token.kind != Token::Kind::Word)
                return Refuse("unexpected " + Describe(m_token));
            if (!Statement())
                return false;
        }
        if (m_program.tracks.empty()) {
            m_reason = "the TOC file holds no TRACK";
            return false;
        }
        return true;
    }

private:
    bool Refuse(const std::string& why, int line = 0)
    {
        m_reason = AtLine(why, line ? line : m_token.line);
        return false;
    }

    static std::string Describe(const Token& token)
    {
        switch (token.kind) {
        case Token::Kind::End: return "end of file";
        case Token::Kind::String: return "\"" + token.text + "\"";
        case Token::Kind::Number:
        case Token::Kind::Offset: return std::to_string(token.value);
        case Token::Kind::Msf: return "time";
        default: return token.text;
        }
    }

    bool Advance() { return m_lexer.Next(&m_token, &m_reason); }

    bool IsWord(const char* word) const { return m_token.kind == Token::Kind::Word && m_token.text == word; }
    bool IsSymbol(char symbol) const { return m_token.kind == Token::Kind::Symbol && m_token.text[0] == symbol; }

    bool Expect(Token::Kind kind, const std::string& what, Token* taken)
    {
        if (m_token.kind != kind)
            return Refuse(what + " expected, not " + Describe(m_token));
        *taken = m_token;
        return Advance();
    }

    ProgramTrack* Track(const std::string& statement)
    {
        if (m_program.tracks.empty()) {
            Refuse(statement + " before any TRACK");
            return nullptr;
        }
        return &m_program.tracks.back();
    }

    bool Statement()
    {
        const Token keyword = m_token;
        if (!Advance())
            return false;
        const std::string& word = keyword.text;
        if (word == "CD_DA" || word == "CD_ROM" || word == "CD_ROM_XA" || word == "CD_I")
            return true;
        if (word == "CATALOG")
            return Catalog();
        if (word == "CD_TEXT")
            return CdText(m_program.tracks.empty() ? &m_program.title : &m_program.tracks.back().title, keyword.line);
        if (word == "TRACK")
            return NewTrack(keyword.line);
        if (word == "NO") {
            if (!IsWord("COPY") && !IsWord("PRE_EMPHASIS"))
                return Refuse("NO must be followed by COPY or PRE_EMPHASIS");
            return Track("NO " + m_token.text) && Advance();
        }
        if (word == "COPY" || word == "PRE_EMPHASIS" || word == "TWO_CHANNEL_AUDIO" || word == "FOUR_CHANNEL_AUDIO")
            return Track(word) != nullptr;
        if (word == "ISRC") {
            Token code;
            ProgramTrack* track = Track(word);
            if (!track || !Expect(Token::Kind::String, "the ISRC code", &code))
                return false;
            track->isrc = code.text;
            return true;
        }
        if (word == "SILENCE" || word == "ZERO")
            return Zeros(word == "ZERO");
        if (word == "FILE" || word == "AUDIOFILE")
            return AudioFile(keyword.line);
        if (word == "DATAFILE")
            return DataFile(keyword.line);
        if (word == "FIFO")
            return Refuse("FIFO cannot be part of a disc image", keyword.line);
        if (word == "START")
            return Start(keyword.line);
        if (word == "PREGAP")
            return Pregap(keyword.line);
        if (word == "INDEX")
            return Index();
        return Refuse("unknown statement " + word, keyword.line);
    }

    bool Catalog()
    {
        Token number;
        if (!Expect(Token::Kind::String, "the catalogue number", &number))
            return false;
        if (number.text.size() != 13 || !std::all_of(number.text.begin(), number.text.end(), ::isdigit))
            return Refuse("CATALOG needs 13 digits", number.line);
        m_program.catalog = number.text;
        return true;
    }

    bool NewTrack(int line)
    {
        if (m_program.tracks.size() == 99)
            return Refuse("a disc holds at most 99 tracks", line);
        Token mode;
        if (!Expect(Token::Kind::Word, "the track mode", &mode))
            return false;
        ProgramTrack track;
        track.number = static_cast<int>(m_program.tracks.size()) + 1;
        track.line = line;
        static const std::map<std::string, TrackMode> MODES = {{"AUDIO", TrackMode::Audio},
                                                               {"MODE1", TrackMode::Mode1},
                                                               {"MODE1_RAW", TrackMode::Mode1Raw},
                                                               {"MODE2", TrackMode::Mode2},
                                                               {"MODE2_RAW", TrackMode::Mode2Raw}};
        const auto found = MODES.find(mode.text);
        if (found == MODES.end())
            return Refuse("track mode " + mode.text + " is not supported", line);
        track.mode = found->second;
        if (IsWord("RW") || IsWord("RW_RAW"))
            return Refuse("tracks with sub-channel data (" + m_token.text + ") are not supported", line);
        m_program.tracks.push_back(track);
        m_lastIndex = 0;
        return true;
    }

    // A length or start: an MSF value counts sectors of bytesPerSector bytes, a number counts
    // units of unitBytes bytes (samples of audio, bytes of data).
    bool Amount(uint32_t bytesPerSector, uint32_t unitBytes, uint64_t* bytes)
    {
        // Far more than a disc holds, and small enough that no product below overflows.
        constexpr uint64_t LIMIT = uint64_t{1} << 40;
        if (m_token.kind == Token::Kind::Number && m_token.value > LIMIT)
            return Refuse(std::to_string(m_token.value) + " is more than a disc holds");
        if (m_token.kind == Token::Kind::Msf)
            *bytes = m_token.value * bytesPerSector;
        else if (m_token.kind == Token::Kind::Number)
            *bytes = m_token.value * unitBytes;
        else
            return Refuse("a length (mm:ss:ff or a number) expected, not " + Describe(m_token));
        return Advance();
    }

    bool IsAmount() const { return m_token.kind == Token::Kind::Msf || m_token.kind == Token::Kind::Number; }

    bool Zeros(bool data)
    {
        ProgramTrack* track = Track(data ? "ZERO" : "SILENCE");
        if (!track)
            return false;
        const int line = m_token.line;
        // ZERO may name the data mode and the sub-channel mode of its zeros.
        static const char* const MODES[] = {"AUDIO",     "MODE0",       "MODE1",       "MODE1_RAW",
                                            "MODE2",     "MODE2_FORM1", "MODE2_FORM2", "MODE2_FORM_MIX",
                                            "MODE2_RAW", "RW",          "RW_RAW"};
        while (data && m_token.kind == Token::Kind::Word &&
               std::any_of(std::begin(MODES), std::end(MODES), [&](const char* mode) { return m_token.text == mode; }))
            if (!Advance())
                return false;
        Piece zeros;
        zeros.zero = true;
        zeros.line = line;
        const uint32_t sector = BytesPerFileSector(track->mode);
        if (!Amount(data ? sector : RAW_SECTOR_SIZE, data ? 1 : BYTES_PER_SAMPLE, &zeros.length))
            return false;
        track->pieces.push_back(zeros);
        return true;
    }

    size_t FileIndex(const std::string& name, FileFormat format, int line)
    {
        for (size_t i = 0; i < m_program.files.size(); ++i)
            if (m_program.files[i].name == name && m_program.files[i].format == format)
                return i;
        m_program.files.push_back(ImageFile{name, format, line});
        return m_program.files.size() - 1;
    }

    // FILE | AUDIOFILE "name" [SWAP] [#offset] start [length]
    bool AudioFile(int line)
    {
        ProgramTrack* track = Track("FILE");
        Token name;
        if (!track || !Expect(Token::Kind::String, "a file name", &name))
            return false;
        if (name.text.empty())
            return Refuse("FILE has an empty name", line);
        bool swap = false;
        uint64_t byteOffset = 0;
        if (IsWord("SWAP")) {
            swap = true;
            if (!Advance())
                return false;
        }
        if (m_token.kind == Token::Kind::Offset) {
            if (m_token.value > uint64_t{1} << 40)
                return Refuse("the byte offset " + std::to_string(m_token.value) + " is more than a disc holds");
            byteOffset = m_token.value;
            if (!Advance())
                return false;
        }
        const bool audio = track->mode == TrackMode::Audio;
        const bool wave = EndsWithWav(name.text);
        if (wave && !audio)
            return Refuse("a data track cannot come from a sound file", line);
        Piece piece;
        piece.line = line;
        piece.file = FileIndex(name.text, wave ? FileFormat::Sound : FileFormat::Binary, line);
        uint64_t startBytes = 0;
        if (!Amount(RAW_SECTOR_SIZE, BYTES_PER_SAMPLE, &startBytes))
            return false;
        if (IsAmount() && !Amount(RAW_SECTOR_SIZE, BYTES_PER_SAMPLE, &piece.length))
            return false;
        piece.toEnd = piece.length == 0;
        // Raw audio is big-endian for cdrdao, WAVE little-endian; SWAP turns either round.
        piece.swapBytes = audio && (wave ? swap : !swap);
        piece.offset = wave ? (byteOffset + startBytes) / BYTES_PER_SAMPLE : byteOffset + startBytes;
        track->pieces.push_back(piece);
        return true;
    }

    // DATAFILE "name" [#offset] [length]
    bool DataFile(int line)
    {
        ProgramTrack* track = Track("DATAFILE");
        Token name;
        if (!track || !Expect(Token::Kind::String, "a file name", &name))
            return false;
        if (name.text.empty())
            return Refuse("DATAFILE has an empty name", line);
        Piece piece;
        piece.line = line;
        piece.file = FileIndex(name.text, FileFormat::Binary, line);
        if (m_token.kind == Token::Kind::Offset) {
            if (m_token.value > uint64_t{1} << 40)
                return Refuse("the byte offset " + std::to_string(m_token.value) + " is more than a disc holds");
            piece.offset = m_token.value;
            if (!Advance())
                return false;
        }
        if (IsAmount() && !Amount(BytesPerFileSector(track->mode), 1, &piece.length))
            return false;
        piece.toEnd = piece.length == 0;
        track->pieces.push_back(piece);
        return true;
    }

    // START [mm:ss:ff]: INDEX 01 there, or at the track's length so far.
    bool Start(int line)
    {
        ProgramTrack* track = Track("START");
        if (!track)
            return false;
        if (track->hasStart)
            return Refuse("the track's start is given twice (START or PREGAP)", line);
        track->hasStart = true;
        if (m_token.kind == Token::Kind::Msf) {
            track->start = TrackMark{0, static_cast<uint32_t>(m_token.value)};
            return Advance();
        }
        track->start = TrackMark{track->pieces.size(), 0};
        return true;
    }

    // PREGAP mm:ss:ff: zeros of that length before the track's data, then START.
    bool Pregap(int line)
    {
        ProgramTrack* track = Track("PREGAP");
        if (!track)
            return false;
        if (track->hasStart)
            return Refuse("the track's start is given twice (START or PREGAP)", line);
        if (!track->pieces.empty())
            return Refuse("PREGAP must come before the track's data", line);
        if (m_token.kind != Token::Kind::Msf)
            return Refuse("PREGAP needs a length mm:ss:ff", line);
        Piece zeros;
        zeros.zero = true;
        zeros.line = line;
        zeros.length = m_token.value * BytesPerFileSector(track->mode);
        track->pieces.push_back(zeros);
        track->hasStart = true;
        track->start = TrackMark{1, 0};
        return Advance();
    }

    // INDEX mm:ss:ff, counted from INDEX 01: only checked, the program has no use for it.
    bool Index()
    {
        if (!Track("INDEX"))
            return false;
        if (m_token.kind != Token::Kind::Msf)
            return Refuse("INDEX needs a position mm:ss:ff");
        if (m_token.value == 0 || m_token.value <= m_lastIndex)
            return Refuse("INDEX does not come after INDEX 01 and the index before it");
        m_lastIndex = m_token.value;
        return Advance();
    }

    // CD_TEXT { LANGUAGE_MAP { ... } LANGUAGE n { ITEM "text" | ITEM { bytes } ... } }: the TITLE
    // of the first language is kept.
    bool CdText(std::string* title, int line)
    {
        if (!IsSymbol('{'))
            return Refuse("CD_TEXT must be followed by {", line);
        int depth = 0;
        bool inLanguage = false;
        int languageDepth = 0;
        bool titleTaken = false;
        do {
            if (m_token.kind == Token::Kind::End)
                return Refuse("the CD_TEXT block of line " + std::to_string(line) + " is not closed");
            if (IsSymbol('{')) {
                ++depth;
            } else if (IsSymbol('}')) {
                if (inLanguage && depth == languageDepth) {
                    inLanguage = false;
                    titleTaken = titleTaken || !title->empty();
                }
                --depth;
            } else if (IsWord("LANGUAGE")) {
                inLanguage = true;
                languageDepth = depth + 1;
            } else if (inLanguage && !titleTaken && IsWord("TITLE")) {
                if (!Advance())
                    return false;
                if (m_token.kind == Token::Kind::String)
                    *title = m_token.text;
                continue;
            }
            if (!Advance())
                return false;
        } while (depth > 0);
        return true;
    }

    Lexer m_lexer;
    DiscProgram& m_program;
    std::string& m_reason;
    Token m_token;
    uint64_t m_lastIndex = 0;
};

} // namespace

bool ParseTocFile(const std::string& text, DiscProgram* program, std::string* reason)
{
    *program = DiscProgram{};
    Parser parser(text, *program, *reason);
    return parser.Run();
}

} // namespace platform::cdrom
