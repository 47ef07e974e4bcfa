#include "platform/ui/qt_dialog_items.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTreeWidget>

#include "platform/ui/dialog_data.h"

QWidget* QtDialogItems::Item(int id) const { return m_dialog ? GetDlgItem(m_dialog, id) : nullptr; }

std::string QtDialogItems::GetItemText(int id)
{
    return m_dialog ? GetDlgItemText(m_dialog, id).toStdString() : std::string();
}

void QtDialogItems::SetItemText(int id, const std::string& text)
{
    if (m_dialog)
        SetDlgItemText(m_dialog, id, QString::fromStdString(text));
}

bool QtDialogItems::IsButtonChecked(int id)
{
    auto* button = qobject_cast<QAbstractButton*>(Item(id));
    return button && button->isChecked();
}

void QtDialogItems::CheckButton(int id, bool checked)
{
    if (auto* button = qobject_cast<QAbstractButton*>(Item(id)))
        button->setChecked(checked);
}

void QtDialogItems::ShowItem(int id, bool visible)
{
    if (QWidget* item = Item(id))
        item->setVisible(visible);
}

void QtDialogItems::EnableItem(int id, bool enabled)
{
    if (QWidget* item = Item(id))
        item->setEnabled(enabled);
}

int QtDialogItems::GetTrackbarPos(int id)
{
    auto* slider = qobject_cast<QAbstractSlider*>(Item(id));
    return slider ? slider->value() : 0;
}

void QtDialogItems::SetTrackbarPos(int id, int position)
{
    if (auto* slider = qobject_cast<QAbstractSlider*>(Item(id)))
        slider->setValue(position);
}

int QtDialogItems::GetCurrentTab(int id)
{
    auto* tabs = qobject_cast<QTabBar*>(Item(id));
    return tabs ? tabs->currentIndex() : -1;
}

void QtDialogItems::SetCurrentTab(int id, int page)
{
    if (auto* tabs = qobject_cast<QTabBar*>(Item(id))) {
        const QSignalBlocker quiet(tabs);
        tabs->setCurrentIndex(page);
    }
}

int QtDialogItems::GetListRowCount(int id)
{
    auto* list = qobject_cast<QTreeWidget*>(Item(id));
    return list ? list->topLevelItemCount() : 0;
}

bool QtDialogItems::IsListRowSelected(int id, int row)
{
    auto* list = qobject_cast<QTreeWidget*>(Item(id));
    QTreeWidgetItem* item = list ? list->topLevelItem(row) : nullptr;
    return item && item->isSelected();
}

int QtDialogItems::GetListSelectedCount(int id)
{
    auto* list = qobject_cast<QTreeWidget*>(Item(id));
    return list ? static_cast<int>(list->selectedItems().size()) : 0;
}

bool QtDialogItems::IsActiveWindow() { return m_dialog && m_dialog->isActiveWindow(); }
