// The program's resources that the user interface shows (bitmaps, icons, animations) are built
// into the user-interface library, which is static: they are registered on first use.
#pragma once

#include <QIcon>
#include <QString>

namespace platform {

// Registers the resources once; every function below calls it.
void InitProgramResources();

// The resource path of animation `id` (":/avi/162"), of icon `id` (":/icons/175").
QString AnimationResource(int id);
QString IconResource(int id);

// The program's icon (resource 128) at every size it is drawn in.
QIcon ProgramIcon();

} // namespace platform
