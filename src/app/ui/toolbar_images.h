// The toolbar's button pictures (16 × 15), painted once in code.
#pragma once

#include <QIcon>
#include <QPixmap>

QPixmap ToolbarImage(int commandId);
