// Ripwell's start: the Qt application, the real platform backends, the one application
// object, the message loop and the shut-down.
#include <QApplication>

#include <string>
#include <vector>

#include "app/ui/platform_backends.h"
#include "app/ui/ripwell_app.h"
#include "platform/ui/help_window.h"
#include "platform/ui/program_resources.h"

int RipwellMain(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ripwell"));
    // The desktop matches the windows with the installed .desktop file (name, icon) by this.
    QApplication::setDesktopFileName(QStringLiteral("com.brightmoor.Ripwell"));
    QApplication::setWindowIcon(platform::ProgramIcon());
    // The frame ends the loop when it closes, even while the help window is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallPlatformBackends();

    std::vector<std::string> arguments;
    for (const QString& argument : QApplication::arguments())
        arguments.push_back(argument.toStdString());

    int result = 0;
    {
        CRipwellApp theApp;
        if (!theApp.InitInstance(arguments)) {
            platform::CloseHelpWindow();
            return 1;
        }
        result = QApplication::exec();
        theApp.ExitInstance();
    }
    platform::CloseHelpWindow();
    return result;
}
