// The controls of an open dialog, reached by their numbers the way Win32's dialog functions
// reach them: the text of an item (GetDlgItemText), a check box (IsDlgButtonChecked,
// CheckDlgButton), showing and enabling an item, and the few messages the program sends to a
// trackbar, a tab control and a list view. The logic of a dialog is written against this and
// needs no widgets: a dialog window offers its controls through the Qt backend
// (platform/ui/qt_dialog_items.h), a test through a scripted double.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Scroll notification codes of a trackbar.
inline constexpr int TB_LINEUP = 0;
inline constexpr int TB_LINEDOWN = 1;
inline constexpr int TB_PAGEUP = 2;
inline constexpr int TB_PAGEDOWN = 3;
inline constexpr int TB_THUMBPOSITION = 4;
inline constexpr int TB_THUMBTRACK = 5;
inline constexpr int TB_TOP = 6;
inline constexpr int TB_BOTTOM = 7;
inline constexpr int TB_ENDTRACK = 8;

class DialogItems {
public:
    virtual ~DialogItems() = default;

    // The text of an edit field, a label or a button; empty for a missing item.
    virtual std::string GetItemText(int id) = 0;
    virtual void SetItemText(int id, const std::string& text) = 0;

    virtual bool IsButtonChecked(int id) = 0;
    virtual void CheckButton(int id, bool checked) = 0;

    virtual void ShowItem(int id, bool visible) = 0;
    virtual void EnableItem(int id, bool enabled) = 0;

    // Trackbar position; setting it redraws the trackbar.
    virtual int GetTrackbarPos(int id) = 0;
    virtual void SetTrackbarPos(int id, int position) = 0;

    // The selected page of a tab control; selecting one sends no change notification.
    virtual int GetCurrentTab(int id) = 0;
    virtual void SetCurrentTab(int id, int page) = 0;

    // Rows of a list view.
    virtual int GetListRowCount(int id) = 0;
    virtual bool IsListRowSelected(int id, int row) = 0;
    virtual int GetListSelectedCount(int id) = 0;

    // Whether the dialog is the active window, the one the user works in.
    virtual bool IsActiveWindow() = 0;

    void SetItemUInt(int id, uint32_t value) { SetItemText(id, std::to_string(value)); }
};

} // namespace platform
