#include "app/ui/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/ui/toolbar_images.h"
#include "res/resource.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("CAboutDlg");
    setProperty("ripwellDialogId", res::IDD_ABOUTBOX);
    setWindowTitle(QStringLiteral("About Ripwell"));
    m_animation = new QLabel;
    m_animation->setFixedSize(32, 32);
    m_animation->setPixmap(MainFrameIcon().pixmap(32, 32));

    auto* text = new QVBoxLayout;
    text->addWidget(new QLabel(QStringLiteral("Ripwell for Windows NT/2000/XP")));
    text->addWidget(new QLabel(QStringLiteral("Version 2.25.0011")));
    text->addWidget(new QLabel(QStringLiteral("Reads digital audio and data sectors off compact discs.")));

    auto* top = new QHBoxLayout;
    top->addWidget(m_animation, 0, Qt::AlignTop);
    top->addLayout(text);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}
