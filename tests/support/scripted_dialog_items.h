// The controls of a dialog without a window: each number holds a text, a check state, a
// visibility, an enabled state and a trackbar or tab position, as the test sets them and the
// logic under test leaves them. A list view is a row count with the selected rows.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/dialog_items.h"

class ScriptedDialogItems : public platform::DialogItems {
public:
    struct Item {
        std::string text;
        bool checked = false;
        bool visible = true;
        bool enabled = true;
        int position = 0; // trackbar position or tab page
    };

    Item& operator[](int id) { return m_items[id]; }
    bool Has(int id) const { return m_items.count(id) != 0; }

    // The list view of a number: its rows, of which `selected` are selected.
    void SetList(int id, int rows, std::set<int> selected = {})
    {
        m_rows[id] = rows;
        m_selected[id] = std::move(selected);
    }
    void SetActive(bool active) { m_active = active; }

    std::string GetItemText(int id) override { return m_items[id].text; }
    void SetItemText(int id, const std::string& text) override { m_items[id].text = text; }
    bool IsButtonChecked(int id) override { return m_items[id].checked; }
    void CheckButton(int id, bool checked) override { m_items[id].checked = checked; }
    void ShowItem(int id, bool visible) override { m_items[id].visible = visible; }
    void EnableItem(int id, bool enabled) override { m_items[id].enabled = enabled; }
    int GetTrackbarPos(int id) override { return m_items[id].position; }
    void SetTrackbarPos(int id, int position) override { m_items[id].position = position; }
    int GetCurrentTab(int id) override { return m_items[id].position; }
    void SetCurrentTab(int id, int page) override { m_items[id].position = page; }
    int GetListRowCount(int id) override { return m_rows[id]; }
    bool IsListRowSelected(int id, int row) override { return m_selected[id].count(row) != 0; }
    int GetListSelectedCount(int id) override { return static_cast<int>(m_selected[id].size()); }
    bool IsActiveWindow() override { return m_active; }

private:
    std::map<int, Item> m_items;
    std::map<int, int> m_rows;
    std::map<int, std::set<int>> m_selected;
    bool m_active = true;
};
