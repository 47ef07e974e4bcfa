#!/usr/bin/env python3
"""Writes Ripwell's help pages (src/res/help/*.html). The build copies them into <build>/data/help
and installs them into share/ripwell/help, where the program finds them. A page is named after
its topic number in hex: commands 0x10000 + the command number, windows and dialogs 0x20000 +
the resource number, messages 0x30000 + the help or string number. Run it again after changing
a text here."""
import html
import os

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "res")
HELP = os.path.join(ROOT, "help")

COMMANDS = [
    (57600, "New", "Empties the window and starts a new, untitled document. If the current data was changed, Ripwell asks whether to save it first."),
    (57601, "Open", "Opens a wave file or any other file as the document. Wave files are shown from their first sample; other files are taken as raw data."),
    (57603, "Save", "Saves the document under its name. Data that is a sound is saved as a wave file, other data as it is."),
    (57604, "Save As", "Saves the document under a new name."),
    (32777, "Properties", "Shows the length of the data and lets you choose the wave format it is played and saved in."),
    (57616, "Recent files", "The last four documents you opened or saved. Choose one to open it again; an entry that cannot be opened any more is removed."),
    (57665, "Exit", "Ends Ripwell. If the data was changed, Ripwell asks whether to save it first."),
    (57634, "Copy", "Puts the data on the clipboard, as text (the hex dump) and, for a sound, as a wave."),
    (57637, "Paste", "Replaces the document with the contents of the clipboard. When the clipboard holds several formats you choose one."),
    (32788, "Empty Clipboard", "Removes everything from the clipboard."),
    (59392, "Toolbar", "Shows or hides the toolbar. A check mark shows that it is visible."),
    (59393, "Status Bar", "Shows or hides the status bar at the bottom of the window."),
    (32812, "Waveform", "Shows or hides the waveform above the hex dump: the data drawn as a sound in its wave format (chosen in Properties), the highest and lowest sample of each column of points. A shaded band marks the part the hex dump shows; click anywhere in the waveform to scroll the dump there. It is hidden when Ripwell starts."),
    (32808, "CD-ROM Device Status", "Shows what the CD-ROM drive reports about the disc: media changes, size, identity and UPC."),
    (32771, "Read CD-DA Sectors", "Reads digital audio from an audio CD. Pick a track or a range by time or sector number, listen to it, then start the read. The result is a 44100 Hz, 16-bit stereo sound."),
    (32772, "Read CD-ROM Sectors", "Reads data sectors (2048 bytes each) from a data disc into the document."),
    (32830, "Rip Disc", "Rips the audio tracks of the disc into a folder: one FLAC or WAV file per track, tagged with its title, artist, album and AccurateRip result, a cue sheet that names the files and a log of the rip. Each track is checked against the AccurateRip database, which lists the checksums other people got from the same disc. The same rip runs without a window as ripwell --rip (see ripwell --help)."),
    (32810, "Secure Mode", "When Secure Mode is checked, Read CD-DA Sectors reads every sector until two reads agree. The range is read twice, a test pass and a copy pass, and the checksum of each sector is compared. Sectors that differ, or that the drive reports with C2 errors, are read again, with the drive's cache emptied first by a read far away, up to 16 reads in all (SecureReadTries in the settings). Where no two reads agree, the sector keeps the result read most often and is reported as suspicious. The progress window shows the pass in its read mode (test, copy or re-read). At the end Ripwell tells you the CRC32 of the test pass and of the copy pass, which are equal when every sector was read the same way both times, and lists the suspicious positions by minute:second:frame and sector number. In Secure Mode the read offset correction of the drive is applied and jitter correction is not used; Read CD-ROM Sectors is not affected."),
    (32811, "Read Offset", "Most CD-ROM drives deliver the samples of an audio sector a fixed number of samples early or late. The read offset correction, in samples from -5000 to 5000, moves every read in Secure Mode by that many samples, so that a read of sectors a to b gives exactly the disc's samples of sectors a to b. A drive that names its model keeps an offset of its own; drives that do not name one share a single value. Samples beyond the first or the last sector of the disc are read from the lead-in or the lead-out where the drive can; otherwise they are silence, and Ripwell says how many there were."),
    (32802, "Play Waveform", "Plays the data through the sound device in its wave format."),
    (32800, "Stop Waveform", "Stops the playback."),
    (32775, "CD Player", "Starts the CD player program named in the options."),
    (32784, "Sound Recorder", "Starts the sound recorder program named in the options."),
    (32776, "Options", "Sets the CD-ROM drive, dialog sounds, jitter correction, colours of the hex dump, the external programs and AutoPlay."),
    (57667, "Help Topics", "Opens the contents of this help."),
    (57664, "About Ripwell", "Shows the program's version."),
    (57670, "Help", "F1 shows help for what you are doing: the highlighted menu item, the open dialog or message."),
    (57669, "Context Help", "Shift+F1 or the toolbar's help button: the pointer changes, and the next click on a menu item, button or window opens its help. Esc leaves this mode."),
]

WINDOWS = [
    (128, "The main window", "The window shows the document as a hex dump: the offset of each line, sixteen bytes in hex, and the same bytes as text, where a dot stands for a byte that is no printable character. Scroll with the scroll bars, Page Up, Page Down, Home, End, the arrow keys or the mouse wheel. A right click opens the Functions menu. Waveform in the View menu shows the data as a sound above the dump."),
    (59392, "The toolbar", "The buttons give quick access to the most used commands. Drag the toolbar to any side of the window or let it float."),
    (59393, "The status bar", "Shows what the highlighted command does, and the state of Caps Lock, Num Lock and Scroll Lock."),
    (100, "About Ripwell", "Shows the program's name and version, with a little animation that plays while the box is open."),
    (130, "Read CD digital audio", "Choose what to read: a track of the list, or a range by minute:second:frame or by sector number. The player buttons let you listen to the selection first."),
    (131, "Read CD-ROM sectors", "Type the first and the last sector to read."),
    (135, "Options", "The CD-ROM drive, sounds, jitter correction with its overlap, the hex dump's colours and wave header, the external programs and AutoPlay."),
    (144, "Clipboard", "Lists every format on the clipboard. Choose the one to paste."),
    (146, "Properties", "Shows the data's length in bytes. Choose the wave format the data is played and saved in: its rate, 8 or 16 bits, mono or stereo. Only the wave header changes, the data bytes stay as they are; the playing time follows the format you choose. Check Assume data is a sound to play the data without being asked and to save it as a wave file."),
    (148, "CD-ROM device status", "What Ripwell can learn about the disc in the CD-ROM drive chosen in the options, asked once when the box opens: the disc's identity (the name its track titles are kept under), its UPC (the catalogue number, when the disc has one), how often the medium in the drive has changed, the number of sectors of a data disc's volume (an audio CD has none) and the disc's playing time. A value that cannot be had shows n/a. A drive that holds a disc image counts a change each time it is given another image, its image file is replaced, or its door is opened and closed."),
    (149, "Working", "Shows the progress of a read. Cancel stops it; the data read so far is discarded. In Secure Mode the read mode says which pass is running: test, copy or re-read."),
    (171, "CD track properties", "Start, length and end of the track, and whether it holds audio."),
    (180, "Rip Disc", "Choose the drive and the tracks to rip (checked), and give the titles, the artist and the album; titles you change here are kept for the disc, as in the track list. Look up in MusicBrainz asks the MusicBrainz web service for the disc's release and fills in its names. The files go to the folder, named by the pattern: %n is the track number, %t the title, %a the artist, %b the album, %r the album's artist; characters that file systems refuse become _. FLAC files are smaller and keep the tags; the compression level trades time for size. Secure mode reads every sector until two reads agree, which takes at least twice as long; the read offset corrects the drive's offset in samples."),
    (181, "Ripping", "Shows the track being read, the pass of its read, the place on the disc, the speed in times real time and the time left. Tracks are encoded while the next ones are read. Cancel stops the rip: the files of the finished tracks are kept, and no half-written file is left."),
    (182, "Rip Summary", "One row per track: how its read went, its copy CRC-32 and its AccurateRip verdict. Accurate means that the database holds the same checksum, ripped by as many people as the confidence says; not in the database means that nobody has sent this disc or track yet; a mismatch means the rip or the database's pressing differs; not checked means the database could not be asked (the log says why). The line below says whether every track is accurate."),
]

MESSAGES = [
    (16, "The wave file cannot be used", "The file has a wave header Ripwell cannot use: it knows PCM sound of 8000, 11025, 22050 or 44100 Hz, 8 or 16 bits, mono or stereo. Convert the file to one of these formats, or open it as raw data."),
    (18, "Error playing wave file", "The sound device could not play the data. Another program may be using it, or the wave format is not supported by the device. Close other sound programs and try again, or choose another format in Properties."),
    (61204, "Playing data that is not a sound", "The data did not come from a wave file or an audio CD. Played as a sound it will most likely be noise."),
    (61208, "File too big", "The file is larger than Ripwell can hold in memory."),
    (61209, "Wave file too short", "The file ends before its wave header does."),
    (61210, "Not enough memory", "There was not enough memory for the file. Close other programs or read a shorter range."),
]


def page(title, body):
    return ("<html><head><title>%s</title></head><body>\n<h2>%s</h2>\n<p>%s</p>\n"
            "<p><a href=\"contents.html\">Contents</a></p>\n</body></html>\n"
            % (html.escape(title), html.escape(title), html.escape(body)))


def main():
    os.makedirs(HELP, exist_ok=True)
    files = {}
    links = {"Commands": [], "Windows and dialogs": [], "Messages": []}
    for number, title, body in COMMANDS:
        name = "%05X.html" % (0x10000 + number)
        files[name] = page(title, body)
        links["Commands"].append((name, title))
    for number, title, body in WINDOWS:
        name = "%05X.html" % (0x20000 + number)
        files[name] = page(title, body)
        links["Windows and dialogs"].append((name, title))
    for number, title, body in MESSAGES:
        name = "%05X.html" % (0x30000 + number)
        files[name] = page(title, body)
        links["Messages"].append((name, title))
    contents = ["<html><head><title>Ripwell Help</title></head><body>\n<h2>Ripwell Help</h2>\n",
                "<p>Ripwell reads digital audio and data sectors off compact discs and keeps them as one "
                "document that you can play, copy and save as a wave file.</p>\n"]
    for section, entries in links.items():
        contents.append("<h3>%s</h3>\n<ul>\n" % section)
        contents += ["<li><a href=\"%s\">%s</a></li>\n" % (n, html.escape(t)) for n, t in entries]
        contents.append("</ul>\n")
    contents.append("</body></html>\n")
    files["contents.html"] = "".join(contents)
    for name, text in files.items():
        with open(os.path.join(HELP, name), "w") as out:
            out.write(text)


if __name__ == "__main__":
    main()
