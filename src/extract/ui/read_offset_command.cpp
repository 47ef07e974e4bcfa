// The Read Offset command: one number, asked for in the toolkit's input box.
#include "extract/ui/read_commands.h"

#include <QInputDialog>

#include "base/app_settings.h"
#include "cdrom/cdrom_drive.h"
#include "extract/read_offset.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

QString Text(int id)
{
    const std::string_view text = res::LoadString(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void OnReadOffset(AppSettings& settings, QWidget* parent)
{
    std::string model;
    GetDriveModel(static_cast<char>(settings.DefaultCDROMDrive), &model);
    const QString label = model.empty()
        ? Text(res::IDS_READ_OFFSET_FOR_OTHERS)
        : QString::fromStdString(res::FormatMessageText(res::LoadString(res::IDS_READ_OFFSET_FOR_MODEL), model));
    bool accepted = false;
    const int offset =
        QInputDialog::getInt(parent, Text(res::IDS_READ_OFFSET_TITLE), label, ReadOffsetFor(settings, model),
                             MIN_READ_OFFSET, MAX_READ_OFFSET, 1, &accepted);
    if (accepted)
        StoreReadOffset(settings, model, offset);
}
