#include "res/string_table.h"

#include "res/resource.h"

#include <algorithm>
#include <array>
#include <utility>

namespace res {
namespace {

struct StringEntry {
    int id;
    const char* text;
};

// Sorted by number.
constexpr StringEntry kStrings[] = {
    {IDR_DOCUMENT_TEMPLATE, "Ripwell\n\nRipwell\nWave Files (*.wav)\n.wav\nRipwell.Document\nRipwell Document"},
    {ID_READ_CDDA, "Read CD Digital Audio sectors (raw mode)\nRead Audio"},
    {ID_READ_CDROM, "Read CD-ROM sectors (cooked mode)\nRead Cooked"},
    {ID_CD_PLAYER, "Start the CD player\nCD Player"},
    {ID_OPTIONS, "Change program options\nOptions"},
    {ID_PROPERTIES, "Show current data properties\nProperties"},
    {ID_SOUND_RECORDER, "Start the sound recorder\nRecorder"},
    {ID_EMPTY_CLIPBOARD, "Empty the Clipboard\nEmpty Clipboard"},
    {ID_STOP_WAVEFORM, "Stop waveform playback\nStop"},
    {ID_PLAY_WAVEFORM, "Play current data as waveform\nPlay"},
    {ID_DEVICE_STATUS, "Display current CD-ROM device status information\nDevice Status"},
    {ID_SECURE_MODE, "Read digital audio until two reads of every sector agree\nSecure Mode"},
    {ID_READ_OFFSET, "Set the read offset correction of the CD-ROM drive\nRead Offset"},
    {ID_VIEW_WAVEFORM, "Show or hide the waveform picture above the data\nToggle Waveform"},
    {ID_RIP_DISC, "Rip the whole disc to tagged FLAC or WAV files with a cue sheet and a log\nRip Disc"},
    {AFX_IDS_APP_TITLE, "Ripwell"},
    {AFX_IDS_IDLEMESSAGE, "For Help, press F1"},
    {AFX_IDS_HELPMODEMESSAGE, "Select an object on which to get Help"},
    {ID_FILE_NEW, "Create a new document\nNew"},
    {ID_FILE_OPEN, "Open an existing document\nOpen"},
    {ID_FILE_SAVE, "Save the active document\nSave"},
    {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
    {ID_FILE_MRU_FILE1, "Open this document"},
    {ID_FILE_MRU_FILE1 + 1, "Open this document"},
    {ID_FILE_MRU_FILE1 + 2, "Open this document"},
    {ID_FILE_MRU_FILE4, "Open this document"},
    {ID_EDIT_COPY, "Copy current data and put it on the Clipboard\nCopy"},
    {ID_EDIT_PASTE, "Insert Clipboard contents overwriting current data\nPaste"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    {ID_HELP_FINDER, "List Help topics\nHelp Topics"},
    {ID_CONTEXT_HELP, "Display help for clicked on buttons, menus and windows\nHelp"},
    {ID_HELP, "Display help for current task or command\nHelp"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle Toolbar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle Status Bar"},
    {IDS_PLAY_NOT_SOUND,
     "If this data is not a sound file it will\nprobably just produce an ugly noise.\n"
     "Do you want to play it anyway?"},
    {IDS_PLAY_ERROR, "Error playing wave file.\nPress F1 to see Help."},
    {IDS_EVERYTHING_OK, "Everything went OK."},
    {IDS_OS_WARNING,
     "This version of Ripwell was designed for Windows NT/2000/XP or later.\n\n"
     "You are trying to run it on %s.\nIt might not work as expected.\n\n"
     "Do you want to continue anyway?"},
    {IDS_FILE_TOO_BIG, "This file is too big to be loaded. Skipped."},
    {IDS_WAVE_TOO_SHORT, "Wave file is too short. Skipped."},
    {IDS_WAVE_NO_MEMORY,
     "Not enough memory! The file you want\nto read may be too large or your hard\n"
     "disk doesn't have enough swap space."},
    {IDS_READ_PASS_TEST, "raw (test)"},
    {IDS_READ_PASS_COPY, "raw (copy)"},
    {IDS_READ_PASS_REREAD, "raw (re-read)"},
    {IDS_SECURE_READ_CRCS, "Test CRC32: %1\nCopy CRC32: %2"},
    {IDS_SECURE_READ_SUSPICIOUS,
     "Some sectors were never read the same way twice.\nEach holds the result its reads gave most often."},
    {IDS_SECURE_READ_POSITIONS, "Suspicious positions:"},
    {IDS_SECURE_READ_MORE, "and %1 more"},
    {IDS_SECURE_READ_ZEROS, "%1 samples beyond the ends of the disc could not be read and are silence."},
    {IDS_READ_OFFSET_FOR_MODEL, "Read offset correction of the drive\n%1, in samples (-5000 to 5000):"},
    {IDS_READ_OFFSET_FOR_OTHERS,
     "Read offset correction of drives that do not\nname their model, in samples (-5000 to 5000):"},
    {IDS_READ_OFFSET_TITLE, "Read Offset"},
    {IDS_RIP_NO_TRACK, "Check at least one audio track to rip."},
    {IDS_RIP_NO_FOLDER, "Choose the folder the files are written to."},
    {IDS_RIP_NO_DRIVE, "There is no CD-ROM drive to rip from."},
    {IDS_RIP_NO_DISC, "The disc in drive %1: cannot be read:\n%2"},
    {IDS_RIP_CANCELLED, "The rip was cancelled.\nThe files of the tracks that were finished are kept."},
    {IDS_RIP_FAILED, "Nothing was ripped:\n%1"},
    {IDS_RIP_LOOKUP_FAILED, "The titles stay as they are:\n%1"},
    {IDS_RIP_DISC_STATUS, "%1 tracks, disc id %2"},
    {IDS_RIP_TRACK, "%1 of %2: %3"},
    {IDS_RIP_ENCODING, "writing the last files"},
    {IDS_RIP_PASS_READ, "read"},
    {IDS_RIP_PASS_TEST, "test"},
    {IDS_RIP_PASS_COPY, "copy"},
    {IDS_RIP_PASS_REREAD, "re-read"},
    {AFX_IDS_OPENFILE, "Open"},
    {AFX_IDS_SAVEFILE, "Save As"},
    {AFX_IDS_ALLFILTER, "All Files (*.*)"},
    {AFX_IDS_UNTITLED, "Untitled"},
    {AFX_IDP_FAILED_TO_OPEN_DOC, "Failed to open document."},
    {AFX_IDP_FAILED_TO_SAVE_DOC, "Failed to save document."},
    {AFX_IDP_ASK_TO_SAVE, "Save changes to %1?"},
    {AFX_IDP_PARSE_INT_RANGE, "Please enter an integer between %1 and %2."},
    {AFX_IDP_PARSE_BYTE, "Please enter an integer between 0 and 255."},
    {AFX_IDP_PARSE_UINT, "Please enter a positive integer."},
    {AFX_IDP_FILE_NOT_FOUND,
     "%1\nCannot find this file.\nPlease verify that the correct path and file name are given."},
    {AFX_IDP_FILE_ACCESS_DENIED,
     "%1\nAccess to this file was denied.\nPlease verify that you may use it and that the disk is not "
     "write-protected."},
    {AFX_IDP_FILE_DISKFULL, "%1\nThere is not enough space on the disk.\nThe file was not saved."},
    {AFX_IDP_FILE_TOO_MANY_OPEN, "%1\nToo many files are open.\nPlease close some programs and try again."},
    {AFX_IDP_FILE_HARD_IO, "%1\nThe disk reported an input/output error while this file was used."},
    {AFX_IDP_FILE_BAD_PATH, "%1\nThis folder does not exist.\nPlease verify that the correct path is given."},
};

constexpr bool IsSorted()
{
    for (std::size_t i = 1; i < std::size(kStrings); ++i)
        if (kStrings[i - 1].id >= kStrings[i].id)
            return false;
    return true;
}
static_assert(IsSorted(), "the string table must be sorted by number without repeats");

} // namespace

std::string_view LoadString(int id)
{
    const auto* end = std::end(kStrings);
    const auto* it =
        std::lower_bound(std::begin(kStrings), end, id, [](const StringEntry& e, int key) { return e.id < key; });
    if (it == end || it->id != id)
        return {};
    return it->text;
}

std::string FormatMessageText(std::string_view pattern, std::string_view arg1, std::string_view arg2)
{
    std::string out;
    out.reserve(pattern.size() + arg1.size() + arg2.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            out += pattern[i + 1] == '1' ? arg1 : arg2;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string CommandPrompt(int commandId)
{
    std::string_view text = LoadString(commandId);
    return std::string(text.substr(0, text.find('\n')));
}

std::string CommandTooltip(int commandId)
{
    std::string_view text = LoadString(commandId);
    std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos)
        return {};
    return std::string(text.substr(newline + 1));
}

} // namespace res
