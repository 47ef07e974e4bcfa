// The controls of a Qt dialog window as DialogItems: each control is found by its "controlId"
// property. Until a window is attached (and after it is gone) reads give empty answers and
// writes do nothing, so the logic holding this object may outlive each showing of its window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/dialog_items.h"

class QtDialogItems : public platform::DialogItems {
public:
    explicit QtDialogItems(QWidget* dialog = nullptr) : m_dialog(dialog) {}

    void Attach(QWidget* dialog) { m_dialog = dialog; }
    QWidget* Dialog() const { return m_dialog; }

    std::string GetItemText(int id) override;
    void SetItemText(int id, const std::string& text) override;
    bool IsButtonChecked(int id) override;
    void CheckButton(int id, bool checked) override;
    void ShowItem(int id, bool visible) override;
    void EnableItem(int id, bool enabled) override;
    int GetTrackbarPos(int id) override;
    void SetTrackbarPos(int id, int position) override;
    int GetCurrentTab(int id) override;
    void SetCurrentTab(int id, int page) override;
    int GetListRowCount(int id) override;
    bool IsListRowSelected(int id, int row) override;
    int GetListSelectedCount(int id) override;
    bool IsActiveWindow() override;

private:
    QWidget* Item(int id) const;

    QPointer<QWidget> m_dialog;
};
