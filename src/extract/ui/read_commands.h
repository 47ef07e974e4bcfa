// The two read commands of the data view: Read CD-DA (raw digital audio, chosen in the "Read CD
// digital audio" dialog) and Read CD-ROM (cooked data sectors, chosen in "Read CD-ROM sectors").
// Each validates the choice, lets the document be saved, runs the progress dialog and reports
// how the read ended.
#pragma once

#include <cstdint>
#include <string>

class CRipwellDoc;
class QWidget;

void OnReadCdda(CRipwellDoc* document, QWidget* parent);
void OnReadCdrom(CRipwellDoc* document, QWidget* parent);

// Shows how a read ended: nothing for 0 (the document is marked modified), the cancel and
// memory messages, or the drive error text.
void ReportReadStatus(CRipwellDoc* document, uint16_t status);
