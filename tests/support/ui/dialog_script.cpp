#include "support/ui/dialog_script.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/ui/dialog_data.h"
#include "res/resource.h"

DialogScript::DialogScript(std::vector<std::function<void(QWidget*)>> steps) : m_steps(std::move(steps)) { Arm(); }

void DialogScript::Arm()
{
    QTimer::singleShot(0, &m_guard, [this] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window || window->windowTitle() == "Working...") {
            Arm();
            return;
        }
        if (m_shown >= static_cast<int>(m_steps.size())) {
            ADD_FAILURE() << "a dialog came up more often than scripted: " << window->windowTitle().toStdString();
            PressButton(window, res::IDCANCEL);
            return;
        }
        m_steps[static_cast<std::size_t>(m_shown++)](window);
        if (m_shown < static_cast<int>(m_steps.size()))
            Arm();
    });
}

void SetField(QWidget* window, int id, const char* text)
{
    auto* edit = GetDlgControl<QLineEdit>(window, id);
    ASSERT_NE(edit, nullptr) << "no field " << id;
    edit->setText(QString::fromUtf8(text));
}

void PressButton(QWidget* window, int id)
{
    auto* button = GetDlgControl<QPushButton>(window, id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    button->click();
}
