#include "platform/ui/program_resources.h"

#include <QFile>

static void RegisterResources() { Q_INIT_RESOURCE(ripwell); }

namespace platform {

void InitProgramResources()
{
    static const bool registered = [] {
        RegisterResources();
        return true;
    }();
    (void)registered;
}

QString AnimationResource(int id)
{
    InitProgramResources();
    return QStringLiteral(":/avi/%1").arg(id);
}

QString IconResource(int id)
{
    InitProgramResources();
    return QStringLiteral(":/icons/%1").arg(id);
}

QIcon ProgramIcon()
{
    InitProgramResources();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString file = QStringLiteral(":/icons/ripwell-%1.png").arg(size);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon;
}

} // namespace platform
