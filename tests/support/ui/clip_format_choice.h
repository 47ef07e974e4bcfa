// A step of DialogScript for the "Clipboard" format dialog: notes what the dialog shows, selects
// the entry of the given text (an empty text keeps the preselected entry) and presses the button.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "res/resource.h"

class QWidget;

struct SeenClipFormats {
    QString caption;
    QStringList entries;
    QString selected;
};

std::function<void(QWidget*)> ChooseClipFormat(SeenClipFormats* seen, const QString& entry, int button = res::IDOK);
