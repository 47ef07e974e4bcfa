// The up-down control (spin button) of a dialog: two small arrow buttons attached to a buddy
// edit field whose number they step, within a range, either wrapping round at the ends or
// stopping there. The arrow keys in the buddy field step it too.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class CUpDownButton : public QWidget {
    Q_OBJECT
public:
    explicit CUpDownButton(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* buddy);
    QLineEdit* Buddy() const { return m_buddy; }
    void SetRange(int lower, int upper);
    int Lower() const { return m_lower; }
    int Upper() const { return m_upper; }
    void SetWrap(bool wrap) { m_wrap = wrap; }
    bool Wraps() const { return m_wrap; }

    // Steps the buddy's number by delta (+1 up, -1 down).
    void Step(int delta);

    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_buddy = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_lower = 0;
    int m_upper = 100;
    bool m_wrap = false;
};
