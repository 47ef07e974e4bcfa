// The clipboard commands of the data view: Copy and Paste (each choosing its format in the
// "Clipboard" dialog first) and Empty Clipboard, with the enabling of their menu items, toolbar
// buttons and context menu items. The view's window owns the clipboard while they work.
#pragma once

class CRipwellDoc;
class QWidget;

namespace framework {
struct CCmdUI;
}

void OnEditCopy(CRipwellDoc* document, QWidget* view);
void OnEditPaste(CRipwellDoc* document, QWidget* view);
void OnEmptyClipboard(QWidget* view);

// Copy: the document has data bytes. Paste and Empty Clipboard: the clipboard holds a format.
void OnUpdateEditCopy(const CRipwellDoc* document, framework::CCmdUI& cmdUI);
void OnUpdateEditPaste(framework::CCmdUI& cmdUI);
void OnUpdateEmptyClipboard(framework::CCmdUI& cmdUI);
