#include "app/ui/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/ui/animate_ctrl.h"
#include "res/resource.h"

namespace {
constexpr int kAnimationSide = 32;
constexpr int kLastFrame = 0xFFFF; // "to the last frame"
constexpr int kForever = -1;
} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("CAboutDlg");
    setProperty("ripwellDialogId", res::IDD_ABOUTBOX);
    setWindowTitle(QStringLiteral("About Ripwell"));
    m_animation = new CAnimateCtrl;
    m_animation->setObjectName("IDC_1044");
    m_animation->setProperty("controlId", res::IDC_1044);
    m_animation->setTransparent(true);
    m_animation->setFixedSize(kAnimationSide, kAnimationSide);
    // A clip that cannot be opened leaves the control empty, without a message.
    m_animation->Open(res::IDR_AVI_ABOUT);

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

void CAboutDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_animation->Play(kForever, 0, kLastFrame);
}

void CAboutDlg::hideEvent(QHideEvent* event)
{
    m_animation->Stop();
    QDialog::hideEvent(event);
}
