// A check box that does not toggle itself when clicked, as Win32's plain (not automatic) check
// box: the program sets its state, the user cannot change it.
#pragma once

#include <QCheckBox>

class CPlainCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};
