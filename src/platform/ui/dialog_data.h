// Dialog data exchange: controls found by their numbers, and numbers taken from edit fields with
// the framework's standard validation messages. A field that fails shows its message (with the
// string number as help number), gets the focus with its text selected, and the exchange stops.
#pragma once

#include <cstdint>

#include <QString>
#include <QWidget>

class QLineEdit;

// The child control of a dialog with the given number (its "controlId" property), or nullptr.
QWidget* GetDlgItem(const QWidget* dialog, int id);

template <class Control> Control* GetDlgControl(const QWidget* dialog, int id)
{
    return qobject_cast<Control*>(GetDlgItem(dialog, id));
}

// Sets a field to an unsigned decimal number.
void SetDlgItemUInt(const QWidget* dialog, int id, uint32_t value);
QString GetDlgItemText(const QWidget* dialog, int id);
void SetDlgItemText(const QWidget* dialog, int id, const QString& text);

// Reads an unsigned 32-bit number ("Please enter a positive integer.") and checks its range
// ("Please enter an integer between %1 and %2."). value is changed only on success.
bool DdxUInt(const QWidget* dialog, int id, uint32_t& value, uint32_t lower, uint32_t upper);
// Reads a number 0..255 ("Please enter an integer between 0 and 255.") and checks its range.
bool DdxByte(const QWidget* dialog, int id, uint8_t& value, uint8_t lower, uint8_t upper);

// Parses a whole text (surrounding blanks allowed) as an unsigned decimal number that fits in
// 32 bits.
bool ParseUnsigned(const QString& text, uint32_t& value);
