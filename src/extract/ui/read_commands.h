// The two read commands of the data view: Read CD-DA (raw digital audio, chosen in the "Read CD
// digital audio" dialog) and Read CD-ROM (cooked data sectors, chosen in "Read CD-ROM sectors").
// Each validates the choice, lets the document be saved, runs the progress dialog and reports
// how the read ended.
#pragma once

#include <cstdint>
#include <string>

struct AppSettings;
struct SecureReadReport;
class CRipwellDoc;
class QWidget;

// The dialog opens on the settings' drive and last dialog state, which it updates; the read is
// made with the settings' drive, jitter correction and overlap, and Read CD-DA in secure mode
// when the setting is on (with the read offset of the drive's model).
void OnReadCdda(CRipwellDoc* document, AppSettings& settings, QWidget* parent);
void OnReadCdrom(CRipwellDoc* document, const AppSettings& settings, QWidget* parent);

// Asks for the read offset correction of the settings' drive (for its model when it names one)
// and keeps it in the settings.
void OnReadOffset(AppSettings& settings, QWidget* parent);

// Shows how a read ended: nothing for 0 (the document is marked modified), the cancel and
// memory messages, or the drive error text. A secure read that ended well is followed by its
// report: "Everything went OK." with its checksums, or, with the error sound and a warning,
// the positions no two reads agreed on.
void ReportReadStatus(CRipwellDoc* document, uint16_t status, const SecureReadReport* report = nullptr);
