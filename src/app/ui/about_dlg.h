// CAboutDlg: the About box (dialog 100): the looping animation 162 at the left, the program's
// name, its version and a line about it at the right, and OK. The animation plays from its
// first frame while the box is shown and stops when it closes.
#pragma once

#include <QDialog>

class CAnimateCtrl;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CAnimateCtrl* m_animation = nullptr; // control 1044

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};
