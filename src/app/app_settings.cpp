#include "app/app_settings.h"

AppSettings& Settings()
{
    static AppSettings settings;
    return settings;
}
