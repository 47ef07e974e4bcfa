// Every number of the program: commands, menus, dialogs, controls, strings, bitmaps, icons,
// animations and sounds, by the numbers the program has always used.
#pragma once

#include <cstdint>

namespace res {

// ---- Menus, toolbar, accelerators, icons -------------------------------------------------
inline constexpr int IDR_MAINFRAME = 128;     // menu, toolbar, accelerators, icon 128
inline constexpr int IDR_CONTEXT_MENU = 160;  // the view's context menu ("Functions")
inline constexpr int IDR_TRACK_MENU = 169;    // "Track" menu of the track list
inline constexpr int IDR_LIST_MENU = 170;     // "List" menu of the track list
inline constexpr int IDI_DEVICE_STATUS = 175; // icon of the device status dialog

// ---- Bitmaps and animations --------------------------------------------------------------
inline constexpr int IDB_TRACK_IMAGES = 140; // 32 x 16: audio track, other track
inline constexpr int IDB_PLAY = 165;         // 16 x 15, Play button picture
inline constexpr int IDB_STOP = 166;         // 16 x 15, Stop button picture
inline constexpr int IDR_AVI_PROGRESS = 136; // looping clip of the progress dialog
inline constexpr int IDR_AVI_ABOUT = 162;    // two frames, 32 x 32, ten a second

// ---- Sounds (resource type "WAVE") ------------------------------------------------------
inline constexpr const char* SOUND_ERROR = "T1000";
inline constexpr const char* SOUND_QUESTION = "YOUSURE";
inline constexpr const char* SOUND_ABOUT = "ABOUT";

// ---- Dialogs ------------------------------------------------------------------------------
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_READ_AUDIO = 130;       // "Read CD digital audio"
inline constexpr int IDD_READ_COOKED = 131;      // "Read CD-ROM sectors"
inline constexpr int IDD_OPTIONS = 135;          // "Options"
inline constexpr int IDD_CLIP_FORMAT = 144;      // "Clipboard"
inline constexpr int IDD_PROPERTIES = 146;       // "Properties"
inline constexpr int IDD_DEVICE_STATUS = 148;    // "CD-ROM device status"
inline constexpr int IDD_PROGRESS = 149;         // "Working..."
inline constexpr int IDD_TRACK_PROPERTIES = 171; // "CD track properties"
inline constexpr int IDD_RIP_DISC = 180;         // "Rip Disc"
inline constexpr int IDD_RIP_PROGRESS = 181;     // "Ripping..."
inline constexpr int IDD_RIP_SUMMARY = 182;      // "Rip Summary"

// ---- Standard dialog results and buttons ------------------------------------------------
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// ---- Controls, by dialog ---------------------------------------------------------------------
// The dialogs share one numbering, so one number means different controls in different
// dialogs; each dialog names its own uses of the numbers here, and its code and .ui file use
// those names.

// "Read CD digital audio" (130)
namespace read_audio {
inline constexpr int IDC_LOOP_MODE = 1000;          // check box "Loop mode"
inline constexpr int IDC_ONLY_FIRST = 1004;         // check box "Only first"
inline constexpr int IDC_ONLY_LAST = 1005;          // check box "Only last"
inline constexpr int IDC_MARK = 1006;               // "Start here" / "End here"
inline constexpr int IDC_PAGE_TABS = 1009;          // "CD Track", "Red Book", "High Sierra"
inline constexpr int IDC_START_SECTOR_LABEL = 1010; // "Start Sector"
inline constexpr int IDC_END_SECTOR_LABEL = 1011;   // "End Sector"
inline constexpr int IDC_SELECTION_START_TIME = 1012;
inline constexpr int IDC_PLAYING_TIME = 1013;
inline constexpr int IDC_SELECTION_END_TIME = 1014;
inline constexpr int IDC_SELECTION_START_SECTOR = 1015;
inline constexpr int IDC_PLAYING_SECTOR = 1016;
inline constexpr int IDC_SELECTION_END_SECTOR = 1017;
inline constexpr int IDC_START_MIN = 1018; // Red Book fields, 0..99, 0..59, 0..74
inline constexpr int IDC_START_SEC = 1019;
inline constexpr int IDC_START_FRAME = 1020;
inline constexpr int IDC_END_MIN = 1021;
inline constexpr int IDC_END_SEC = 1022;
inline constexpr int IDC_END_FRAME = 1023;
inline constexpr int IDC_START_SECTOR = 1028; // High Sierra fields, 0..350000
inline constexpr int IDC_END_SECTOR = 1029;
inline constexpr int IDC_TRACK_LIST = 1034;
inline constexpr int IDC_FIRST_SECONDS = 1036; // seconds of "Only first", 1..60
inline constexpr int IDC_LAST_SECONDS = 1037;  // seconds of "Only last", 1..60
inline constexpr int IDC_START_LABEL = 1046;   // "Start:"
inline constexpr int IDC_END_LABEL = 1047;     // "End:"
inline constexpr int IDC_MIN_LABEL = 1048;     // "Min"
inline constexpr int IDC_SEC_LABEL = 1049;     // "Sec"
inline constexpr int IDC_FRAME_LABEL = 1050;   // "Frame"
inline constexpr int IDC_START_MIN_SPIN = 1054;
inline constexpr int IDC_START_SEC_SPIN = 1055;
inline constexpr int IDC_START_FRAME_SPIN = 1056;
inline constexpr int IDC_END_MIN_SPIN = 1057;
inline constexpr int IDC_END_SEC_SPIN = 1058;
inline constexpr int IDC_END_FRAME_SPIN = 1059;
inline constexpr int IDC_FIRST_SECONDS_SPIN = 1064;
inline constexpr int IDC_LAST_SECONDS_SPIN = 1065;
inline constexpr int IDC_POSITION_SLIDER = 1067; // 0..100 along the range played
inline constexpr int IDC_PLAY = 1069;            // also "Play" of the "Track" menu
inline constexpr int IDC_STOP = 1070;
} // namespace read_audio

// "Read CD-ROM sectors" (131)
namespace read_cooked {
inline constexpr int IDC_FIRST_SECTOR = 1018;
inline constexpr int IDC_LAST_SECTOR = 1019;
} // namespace read_cooked

// "Working..." (149)
namespace progress {
inline constexpr int IDC_FIRST_SECTOR = 1010;
inline constexpr int IDC_LAST_SECTOR = 1011;
inline constexpr int IDC_ANIMATION = 1044;
inline constexpr int IDC_PROGRESS_BAR = 1045;
inline constexpr int IDC_POSITION = 1046; // current head location
inline constexpr int IDC_TIME_LEFT = 1047;
inline constexpr int IDC_PERCENT = 1048;
inline constexpr int IDC_READ_MODE = 1049;
inline constexpr int IDC_RANGE_SIZE = 1050;
inline constexpr int IDC_SYNC_LABEL = 1051; // empty or "Synchronization:"
inline constexpr int IDC_SYNC_RESULT = 1052;
} // namespace progress

// "Clipboard" (144)
namespace clip_format {
inline constexpr int IDC_FORMAT_LIST = 1034; // "Available formats:"
} // namespace clip_format

// "CD track properties" (171)
namespace track_properties {
inline constexpr int IDC_AUDIO_TRACK = 1000; // check box the user cannot toggle
inline constexpr int IDC_RB_START = 1019;    // Red Book (min:sec.frm)
inline constexpr int IDC_RB_END = 1020;
inline constexpr int IDC_RB_LENGTH = 1021;
inline constexpr int IDC_HS_START = 1022; // High Sierra (sector)
inline constexpr int IDC_HS_END = 1023;
inline constexpr int IDC_HS_LENGTH = 1024;
inline constexpr int IDC_SIZE = 1025; // bytes
} // namespace track_properties

// "Rip Disc" (180)
namespace rip_disc {
inline constexpr int IDC_DRIVE = 1100;      // drop-down list of the CD-ROM drives
inline constexpr int IDC_TRACK_LIST = 1101; // tracks with check boxes and titles
inline constexpr int IDC_ALBUM_ARTIST = 1102;
inline constexpr int IDC_ALBUM = 1103;
inline constexpr int IDC_FOLDER = 1104;
inline constexpr int IDC_BROWSE = 1105;
inline constexpr int IDC_PATTERN = 1106;
inline constexpr int IDC_EXAMPLE = 1107; // the first file's name under the pattern
inline constexpr int IDC_FLAC = 1108;    // radio buttons of the format
inline constexpr int IDC_WAVE = 1109;
inline constexpr int IDC_FLAC_LEVEL = 1110;  // 0..8
inline constexpr int IDC_SECURE = 1111;      // check box "Secure mode"
inline constexpr int IDC_READ_OFFSET = 1112; // -5000..5000 samples
inline constexpr int IDC_MUSICBRAINZ = 1113; // "Look up in MusicBrainz"
inline constexpr int IDC_DISC_STATUS = 1114; // the disc's ids, or why it cannot be read
inline constexpr int IDC_DATE = 1115;
} // namespace rip_disc

// "Ripping..." (181)
namespace rip_progress {
inline constexpr int IDC_TRACK = 1120; // "3 of 12: title"
inline constexpr int IDC_PASS = 1121;
inline constexpr int IDC_POSITION = 1122; // mm:ss:ff (sector n)
inline constexpr int IDC_SPEED = 1123;    // times real time
inline constexpr int IDC_TIME_LEFT = 1124;
inline constexpr int IDC_PROGRESS_BAR = 1125;
inline constexpr int IDC_PERCENT = 1126;
inline constexpr int IDC_ANIMATION = 1127;
} // namespace rip_progress

// "Rip Summary" (182)
namespace rip_summary {
inline constexpr int IDC_TRACK_TABLE = 1130; // one row per track
inline constexpr int IDC_VERDICT = 1131;     // whether every track is accurate
inline constexpr int IDC_FILES = 1132;       // the folder, the cue sheet and the log
} // namespace rip_summary

// The numbers by themselves, for the dialogs that do not yet name their controls.
inline constexpr int IDC_1000 = 1000; // check boxes: sounds off, "Assume data is a sound", "Loop mode", "Audio track"
inline constexpr int IDC_1001 = 1001; // "Show wave header in window, too"
inline constexpr int IDC_1002 = 1002; // drop-down lists: drive list, wave format list
inline constexpr int IDC_1004 = 1004; // "Perform jitter correction", "Only first"
inline constexpr int IDC_1005 = 1005; // "Save settings on exit", "Only last"
inline constexpr int IDC_1006 = 1006; // "Foreground...", mark button
inline constexpr int IDC_1007 = 1007; // "Background..."
inline constexpr int IDC_1008 = 1008; // "Reset"
inline constexpr int IDC_1009 = 1009; // tab controls
inline constexpr int IDC_1010 = 1010; // labels / first sector (progress)
inline constexpr int IDC_1011 = 1011; // labels / last sector (progress)
inline constexpr int IDC_1012 = 1012; // selection start time
inline constexpr int IDC_1013 = 1013; // playing time; "Disable AutoPlay"
inline constexpr int IDC_1014 = 1014; // selection end time; "sectors"
inline constexpr int IDC_1015 = 1015; // selection start sector
inline constexpr int IDC_1016 = 1016; // playing sector
inline constexpr int IDC_1017 = 1017; // selection end sector
inline constexpr int IDC_1018 = 1018; // edits: start minute, first sector, CD player, data length
inline constexpr int IDC_1019 = 1019; // edits: start second, last sector, sound recorder, playing time
inline constexpr int IDC_1020 = 1020;
inline constexpr int IDC_1021 = 1021;
inline constexpr int IDC_1022 = 1022;
inline constexpr int IDC_1023 = 1023;
inline constexpr int IDC_1024 = 1024;
inline constexpr int IDC_1025 = 1025;
inline constexpr int IDC_1028 = 1028; // High Sierra start sector
inline constexpr int IDC_1029 = 1029; // High Sierra end sector
inline constexpr int IDC_1034 = 1034; // track list, clipboard format list
inline constexpr int IDC_1036 = 1036; // overlap, first seconds, media change count
inline constexpr int IDC_1037 = 1037; // last seconds, total sectors
inline constexpr int IDC_1038 = 1038; // media identity
inline constexpr int IDC_1039 = 1039; // media UPC
inline constexpr int IDC_1040 = 1040; // total time
inline constexpr int IDC_1042 = 1042; // colour sample
inline constexpr int IDC_1044 = 1044; // animation controls
inline constexpr int IDC_1045 = 1045; // progress bar
inline constexpr int IDC_1046 = 1046; // current head location; "Start:"; "Sound recorder:"
inline constexpr int IDC_1047 = 1047; // time left; "End:"
inline constexpr int IDC_1048 = 1048; // percentage text; "Min"
inline constexpr int IDC_1049 = 1049; // read mode text; "Sec"
inline constexpr int IDC_1050 = 1050; // size of the range; "Frame"
inline constexpr int IDC_1051 = 1051; // "Synchronization:"
inline constexpr int IDC_1052 = 1052; // synchronisation result
inline constexpr int IDC_1054 = 1054; // spin: start minute
inline constexpr int IDC_1055 = 1055; // spin: start second
inline constexpr int IDC_1056 = 1056; // spin: start frame
inline constexpr int IDC_1057 = 1057; // spin: end minute
inline constexpr int IDC_1058 = 1058; // spin: end second
inline constexpr int IDC_1059 = 1059; // spin: end frame
inline constexpr int IDC_1064 = 1064; // spin: overlap, first seconds
inline constexpr int IDC_1065 = 1065; // spin: last seconds
inline constexpr int IDC_1067 = 1067; // slider
inline constexpr int IDC_1069 = 1069; // Play button (and "Play" of the "Track" menu)
inline constexpr int IDC_1070 = 1070; // Stop button

// ---- Commands ----------------------------------------------------------------------------
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_MRU_FILE1 = 57616; // to 57619
inline constexpr int ID_FILE_MRU_FILE4 = 57619;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP_INDEX = 57666;
inline constexpr int ID_HELP_FINDER = 57667; // "Help Topics"
inline constexpr int ID_HELP_USING = 57668;
inline constexpr int ID_CONTEXT_HELP = 57669; // Shift+F1
inline constexpr int ID_HELP = 57670;         // F1
inline constexpr int ID_DEFAULT_HELP = 57671;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_READ_CDDA = 32771;
inline constexpr int ID_READ_CDROM = 32772;
inline constexpr int ID_CD_PLAYER = 32775;
inline constexpr int ID_OPTIONS = 32776;
inline constexpr int ID_PROPERTIES = 32777;
inline constexpr int ID_SOUND_RECORDER = 32784;
inline constexpr int ID_EMPTY_CLIPBOARD = 32788;
inline constexpr int ID_STOP_WAVEFORM = 32800;
inline constexpr int ID_PLAY_WAVEFORM = 32802;
inline constexpr int ID_TRACK_RENAME = 32803;
inline constexpr int ID_LIST_OPEN_DOOR = 32804;
inline constexpr int ID_LIST_CLOSE_DOOR = 32805;
inline constexpr int ID_LIST_REFRESH = 32806;
inline constexpr int ID_TRACK_PROPERTIES = 32807;
inline constexpr int ID_DEVICE_STATUS = 32808;
inline constexpr int ID_TRACK_PICK_UP_TIMES = 32809;
inline constexpr int ID_RIP_DISC = 32830;      // Tools: the whole disc to tagged files
inline constexpr int ID_SECURE_MODE = 32810;   // Tools: reads of digital audio proven by two reads
inline constexpr int ID_READ_OFFSET = 32811;   // Tools: the drive's read offset correction
inline constexpr int ID_VIEW_WAVEFORM = 32812; // View menu: the waveform strip above the dump
inline constexpr int ID_TRACK_PLAY = 1069;     // same number as the Play button
inline constexpr int ID_TRACK_GRAB = 1;        // the dialog's Start (IDOK)

// ---- Control bars --------------------------------------------------------------------------
inline constexpr int AFX_IDW_TOOLBAR = 59392;
inline constexpr int AFX_IDW_STATUS_BAR = 59393;

// ---- Strings -------------------------------------------------------------------------------
inline constexpr int IDR_DOCUMENT_TEMPLATE = 128; // "Ripwell\n\nRipwell\nWave Files (*.wav)\n..."
inline constexpr int IDS_PLAY_NOT_SOUND = 61204;  // question before playing data that is no sound
inline constexpr int IDS_PLAY_ERROR = 61205;      // "Error playing wave file.\nPress F1 to see Help."
inline constexpr int IDS_EVERYTHING_OK = 61206;   // "Everything went OK."
inline constexpr int IDS_OS_WARNING = 61207;      // the operating-system warning
inline constexpr int IDS_FILE_TOO_BIG = 61208;
inline constexpr int IDS_WAVE_TOO_SHORT = 61209;
inline constexpr int IDS_WAVE_NO_MEMORY = 61210;
inline constexpr int IDS_RIP_NO_TRACK = 61260; // Rip Disc: nothing checked
inline constexpr int IDS_RIP_NO_FOLDER = 61261;
inline constexpr int IDS_RIP_NO_DRIVE = 61262;
inline constexpr int IDS_RIP_NO_DISC = 61263; // "%1" the drive, "%2" the reason
inline constexpr int IDS_RIP_CANCELLED = 61264;
inline constexpr int IDS_RIP_FAILED = 61265;        // "%1" the reason
inline constexpr int IDS_RIP_LOOKUP_FAILED = 61266; // "%1" the reason
inline constexpr int IDS_RIP_DISC_STATUS = 61267;   // "%1 tracks, disc id %2"
inline constexpr int IDS_RIP_TRACK = 61268;         // progress: "%1 of %2: %3"
inline constexpr int IDS_RIP_ENCODING = 61269;      // progress after the last read
inline constexpr int IDS_RIP_PASS_READ = 61270;     // the passes of a track's read
inline constexpr int IDS_RIP_PASS_TEST = 61271;
inline constexpr int IDS_RIP_PASS_COPY = 61272;
inline constexpr int IDS_RIP_PASS_REREAD = 61273;
inline constexpr int IDS_READ_PASS_TEST = 61240; // "raw (test)": mode text of a secure read
inline constexpr int IDS_READ_PASS_COPY = 61241;
inline constexpr int IDS_READ_PASS_REREAD = 61242;
inline constexpr int IDS_SECURE_READ_CRCS = 61243; // "Test CRC32: %1\nCopy CRC32: %2"
inline constexpr int IDS_SECURE_READ_SUSPICIOUS = 61244;
inline constexpr int IDS_SECURE_READ_POSITIONS = 61245;
inline constexpr int IDS_SECURE_READ_MORE = 61246;
inline constexpr int IDS_SECURE_READ_ZEROS = 61247;
inline constexpr int IDS_READ_OFFSET_FOR_MODEL = 61248;
inline constexpr int IDS_READ_OFFSET_FOR_OTHERS = 61249;
inline constexpr int IDS_READ_OFFSET_TITLE = 61250;
inline constexpr int AFX_IDS_APP_TITLE = 57344;       // "Ripwell"
inline constexpr int AFX_IDS_IDLEMESSAGE = 57345;     // "For Help, press F1"
inline constexpr int AFX_IDS_HELPMODEMESSAGE = 57346; // "Select an object on which to get Help"
inline constexpr int AFX_IDS_OPENFILE = 61440;        // "Open"
inline constexpr int AFX_IDS_SAVEFILE = 61441;        // "Save As"
inline constexpr int AFX_IDS_ALLFILTER = 61442;       // "All Files (*.*)"
inline constexpr int AFX_IDS_UNTITLED = 61443;        // "Untitled"
inline constexpr int AFX_IDP_ASK_TO_SAVE = 61465;     // "Save changes to %1?"
inline constexpr int AFX_IDP_FAILED_TO_OPEN_DOC = 61456;
inline constexpr int AFX_IDP_FAILED_TO_SAVE_DOC = 61457;
inline constexpr int AFX_IDP_PARSE_INT_RANGE = 61714; // "Please enter an integer between %1 and %2."
inline constexpr int AFX_IDP_PARSE_BYTE = 61718;      // "Please enter an integer between 0 and 255."
inline constexpr int AFX_IDP_PARSE_UINT = 61719;      // "Please enter a positive integer."
inline constexpr int AFX_IDP_FILE_NOT_FOUND = 61729;
// The framework's other file-error texts, by the kind of failure; "%1" is the file's path.
inline constexpr int AFX_IDP_FILE_ACCESS_DENIED = 61730;
inline constexpr int AFX_IDP_FILE_DISKFULL = 61731;
inline constexpr int AFX_IDP_FILE_TOO_MANY_OPEN = 61732;
inline constexpr int AFX_IDP_FILE_HARD_IO = 61733;
inline constexpr int AFX_IDP_FILE_BAD_PATH = 61734; // the save dialog's folder does not exist
inline constexpr int ID_INDICATOR_CAPS = 59137;     // "CAP"
inline constexpr int ID_INDICATOR_NUM = 59138;      // "NUM"
inline constexpr int ID_INDICATOR_SCRL = 59139;     // "SCRL"

// ---- Help ----------------------------------------------------------------------------------
// A message box with a help number opens topic HELP_MESSAGE_BASE + that number on F1.
inline constexpr uint32_t HELP_MESSAGE_BASE = 0x30000;
inline constexpr uint32_t HELP_WAVE_FORMAT = 16; // the two wave-format messages
inline constexpr uint32_t HELP_PLAY_ERROR = 18;  // the playback error

// ---- Worker messages -----------------------------------------------------------------------
inline constexpr uint32_t WM_USER = 0x400;
inline constexpr uint32_t WM_READ_POSITION = WM_USER + 1;
inline constexpr uint32_t WM_READ_TIMELEFT = WM_USER + 2;
inline constexpr uint32_t WM_READ_PERCENT = WM_USER + 3;
inline constexpr uint32_t WM_READ_SYNC = WM_USER + 4;
inline constexpr uint32_t WM_READ_DONE = WM_USER + 5;
// Secure reads: the pass that begins (wParam: READ_PASS_...), and the read's report (wParam:
// the address of a SecureReadReport, valid while the message is handled), sent before
// WM_READ_DONE when the read succeeded.
inline constexpr uint32_t WM_READ_PASS = WM_USER + 6;
inline constexpr uint32_t WM_READ_REPORT = WM_USER + 7;
inline constexpr uintptr_t READ_PASS_TEST = 0;
inline constexpr uintptr_t READ_PASS_COPY = 1;
inline constexpr uintptr_t READ_PASS_REREAD = 2;

// ---- Final read status (wParam of WM_READ_DONE): 0, a DriveError, or one of these --------
inline constexpr uint16_t READ_CANCELLED = 257;
inline constexpr uint16_t READ_NO_DOCUMENT_MEMORY = 258;
inline constexpr uint16_t READ_NO_BUFFER_MEMORY = 259;
// wParam of WM_READ_SYNC when a block matched nowhere
inline constexpr int32_t SYNC_FAILED = 0x7FFFFFFF;

} // namespace res
