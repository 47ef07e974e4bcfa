// The toolbar's button pictures (16 × 15) and the window icon, painted once in code.
#pragma once

#include <QIcon>
#include <QPixmap>

QPixmap ToolbarImage(int commandId);
QIcon MainFrameIcon();
