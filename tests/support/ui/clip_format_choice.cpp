#include "support/ui/clip_format_choice.h"

#include <QListWidget>

#include <gtest/gtest.h>

#include "platform/ui/dialog_data.h"
#include "support/ui/dialog_script.h"

std::function<void(QWidget*)> ChooseClipFormat(SeenClipFormats* seen, const QString& entry, int button)
{
    return [=](QWidget* window) {
        auto* list = GetDlgControl<QListWidget>(window, res::clip_format::IDC_FORMAT_LIST);
        if (!list) {
            ADD_FAILURE() << "no format list";
            PressButton(window, res::IDCANCEL);
            return;
        }
        *seen = {window->windowTitle(), {}, list->currentItem() ? list->currentItem()->text() : QString()};
        for (int i = 0; i < list->count(); ++i)
            seen->entries << list->item(i)->text();
        if (!entry.isEmpty()) {
            const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
            if (found.isEmpty())
                ADD_FAILURE() << "no entry " << entry.toStdString();
            else
                list->setCurrentItem(found.front());
        }
        PressButton(window, button);
    };
}
