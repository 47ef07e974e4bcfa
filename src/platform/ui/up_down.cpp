#include "platform/ui/up_down.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

CUpDownButton::CUpDownButton(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        button->setFixedWidth(16);
        layout->addWidget(button);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void CUpDownButton::SetBuddy(QLineEdit* buddy)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy)
        m_buddy->installEventFilter(this);
}

void CUpDownButton::SetRange(int lower, int upper)
{
    m_lower = lower;
    m_upper = upper;
}

void CUpDownButton::Step(int delta)
{
    if (!m_buddy || !isEnabled())
        return;
    bool ok = false;
    long long value = m_buddy->text().trimmed().toLongLong(&ok);
    // A buddy that holds no number, or one outside the range, starts from the nearer end.
    if (!ok || value < m_lower)
        value = m_lower;
    else if (value > m_upper)
        value = m_upper;
    else
        value += delta;
    if (value > m_upper)
        value = m_wrap ? m_lower : m_upper;
    else if (value < m_lower)
        value = m_wrap ? m_upper : m_lower;
    m_buddy->setText(QString::number(value));
}

QSize CUpDownButton::sizeHint() const { return QSize(16, m_buddy ? m_buddy->sizeHint().height() : 22); }

bool CUpDownButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            Step(key->key() == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
