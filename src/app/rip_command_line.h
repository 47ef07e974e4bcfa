// The command line that rips without a window: ripwell --rip [--drive E:] [--tracks 1-5,7]
// [--format flac|wav] [--level N] [--to DIR] [--pattern P] [--secure] [--offset N]
// [--musicbrainz] [--no-accuraterip], and ripwell --help. No display is needed: the run has a
// core application object only. On a terminal a progress bar is drawn; the exit code says how
// the rip ended (see RipExitCode).
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct RipCommandLine {
    bool help = false;
    bool rip = false;
    char drive = 0;            // 0: the settings' drive
    std::set<unsigned> tracks; // empty: every audio track
    std::optional<bool> wave;  // unset: the settings' format
    std::optional<unsigned> flacLevel;
    std::string folder; // empty: the settings' folder, else the current one
    std::string pattern;
    bool secure = false;
    std::optional<int32_t> offset;
    bool musicBrainz = false;
    bool accurateRip = true;
};

// True when the arguments ask for a run without a window (--rip or --help).
bool IsCommandLineRun(const std::vector<std::string>& arguments);

// The arguments after the program's name. False with a message for a wrong command line.
bool ParseRipCommandLine(const std::vector<std::string>& arguments, RipCommandLine* commandLine, std::string* error);

// "1-5,7" to {1, 2, 3, 4, 5, 7}; false for anything that is not numbers 1..99 and ranges.
bool ParseTrackList(const std::string& text, std::set<unsigned>* tracks);

// The text of --help, exit codes included.
std::string RipUsage();

// The whole run: settings, disc, rip, report. Returns the exit code.
int RipCommandLineMain(int argc, char** argv);

// One line of the terminal's progress bar, at most `columns` wide: the track, the pass, the bar,
// the percentage, the speed (times real time) and the time left.
std::string ProgressBarLine(unsigned track, unsigned trackCount, const std::string& pass, uint64_t done, uint64_t total,
                            double seconds, int columns);
