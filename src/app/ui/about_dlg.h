// CAboutDlg: the About box (dialog 100): program name, version and a line about the program.
#pragma once

#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* m_animation = nullptr;  // where the about animation plays
};
