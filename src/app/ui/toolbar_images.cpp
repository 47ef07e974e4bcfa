#include "app/ui/toolbar_images.h"

#include <QPainter>

#include "res/resource.h"

namespace {

constexpr int kButtonWidth = 16;
constexpr int kButtonHeight = 15;

void DrawPage(QPainter& p)
{
    QPolygon page;
    page << QPoint(3, 1) << QPoint(10, 1) << QPoint(13, 4) << QPoint(13, 14) << QPoint(3, 14);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(page);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
}

void DrawDisc(QPainter& p, QRect r)
{
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(200, 200, 220));
    p.drawEllipse(r);
    p.setBrush(Qt::white);
    QPoint c = r.center();
    p.drawEllipse(c, 1, 1);
}

void DrawFolder(QPainter& p)
{
    p.setPen(Qt::black);
    p.setBrush(QColor(230, 200, 60));
    p.drawRect(1, 4, 12, 9);
    p.drawRect(1, 2, 5, 2);
}

void DrawFloppy(QPainter& p)
{
    p.setPen(Qt::black);
    p.setBrush(QColor(40, 60, 150));
    p.drawRect(1, 1, 13, 13);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 4);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(3, 8, 9, 6);
}

void DrawClipboard(QPainter& p)
{
    p.setPen(Qt::black);
    p.setBrush(QColor(170, 120, 60));
    p.drawRect(2, 2, 11, 12);
    p.setBrush(Qt::white);
    p.drawRect(4, 4, 7, 8);
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(5, 1, 5, 2);
}

void DrawPicture(QPainter& p, int id)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (id) {
    case res::ID_FILE_NEW: DrawPage(p); break;
    case res::ID_FILE_OPEN:
        DrawFolder(p);
        p.setPen(Qt::darkGreen);
        p.drawLine(9, 3, 14, 3);
        p.drawLine(14, 3, 12, 1);
        break;
    case res::ID_FILE_SAVE: DrawFloppy(p); break;
    case res::ID_PROPERTIES:
        DrawPage(p);
        p.setPen(Qt::blue);
        for (int y = 5; y <= 11; y += 3)
            p.drawLine(5, y, 11, y);
        break;
    case res::ID_EDIT_COPY:
        DrawPage(p);
        p.setPen(Qt::black);
        p.setBrush(QColor(220, 230, 255));
        p.drawRect(6, 6, 8, 8);
        break;
    case res::ID_EDIT_PASTE:
        DrawClipboard(p);
        p.setPen(Qt::black);
        p.setBrush(QColor(220, 230, 255));
        p.drawRect(8, 7, 6, 7);
        break;
    case res::ID_EMPTY_CLIPBOARD:
        DrawClipboard(p);
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(4, 4, 12, 12);
        p.drawLine(12, 4, 4, 12);
        break;
    case res::ID_READ_CDDA:
        DrawDisc(p, QRect(0, 0, 13, 13));
        p.setPen(Qt::darkRed);
        p.drawLine(11, 9, 11, 14);
        p.drawLine(9, 12, 11, 14);
        p.drawLine(13, 12, 11, 14);
        break;
    case res::ID_RIP_DISC:
        // A disc going into a stack of files.
        DrawDisc(p, QRect(0, 0, 11, 11));
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(8, 7, 6, 7);
        p.drawRect(10, 5, 5, 7);
        p.setPen(Qt::darkBlue);
        p.drawLine(11, 8, 13, 8);
        p.drawLine(11, 10, 13, 10);
        break;
    case res::ID_PLAY_WAVEFORM: {
        QPolygon triangle;
        triangle << QPoint(4, 2) << QPoint(12, 7) << QPoint(4, 12);
        p.setPen(Qt::black);
        p.setBrush(QColor(0, 160, 0));
        p.drawPolygon(triangle);
        break;
    }
    case res::ID_STOP_WAVEFORM:
        p.setPen(Qt::black);
        p.setBrush(QColor(190, 0, 0));
        p.drawRect(3, 3, 9, 9);
        break;
    case res::ID_CD_PLAYER:
        DrawDisc(p, QRect(1, 1, 13, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 160, 0));
        p.drawPolygon(QPolygon({QPoint(10, 9), QPoint(15, 12), QPoint(10, 14)}));
        break;
    case res::ID_SOUND_RECORDER:
        p.setPen(Qt::black);
        p.setBrush(QColor(90, 90, 90));
        p.drawRoundedRect(5, 1, 5, 8, 2, 2);
        p.drawLine(7, 10, 7, 13);
        p.drawLine(4, 13, 11, 13);
        p.setPen(Qt::red);
        p.drawPoint(13, 2);
        break;
    case res::ID_APP_ABOUT:
        p.setPen(Qt::black);
        p.setBrush(QColor(255, 255, 200));
        p.drawEllipse(1, 0, 13, 13);
        p.setPen(QPen(Qt::blue, 2));
        p.drawLine(7, 6, 7, 11);
        p.drawPoint(7, 3);
        break;
    case res::ID_CONTEXT_HELP: {
        QPolygon arrow;
        arrow << QPoint(1, 1) << QPoint(1, 12) << QPoint(4, 9) << QPoint(7, 13) << QPoint(8, 12) << QPoint(6, 8)
              << QPoint(9, 8);
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawPolygon(arrow);
        p.setPen(QPen(Qt::blue, 1));
        QFont font = p.font();
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRect(8, 0, 8, 11), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default: break;
    }
}

} // namespace

QPixmap ToolbarImage(int commandId)
{
    QPixmap pixmap(kButtonWidth, kButtonHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    DrawPicture(painter, commandId);
    return pixmap;
}
