#include "platform/ui/desktop_style.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyleFactory>

namespace platform {
namespace {

class DesktopStyle : public QProxyStyle {
public:
    explicit DesktopStyle(QStyle* base) : QProxyStyle(base) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

QStyle* CreateDesktopStyle(QStyle* base) { return new DesktopStyle(base); }

void InstallDesktopStyle()
{
    if (dynamic_cast<DesktopStyle*>(QApplication::style()))
        return;
    // A style of the same kind as the one in use, for the proxy to own.
    QApplication::setStyle(CreateDesktopStyle(QStyleFactory::create(QApplication::style()->name())));
}

} // namespace platform
