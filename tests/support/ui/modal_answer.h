// Answers a modal window of a widget test. The function runs once the active modal widget is
// of the type asked for (polled every 10 ms, so it also works for a window that opens later,
// or from another thread); it should close the window. If the window is still open after
// two seconds it is closed, so a failing test fails instead of hanging.
//
//   AnswerModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
//   int answer = platform::MessageBox("Sure?", platform::MB_YESNO);
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

template <class Window> void AnswerModal(std::function<void(Window*)> answer)
{
    auto* poll = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, elapsed, answer] {
        *elapsed += 10;
        if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            QPointer<Window> guard(window);
            answer(window);
            // A window the answer left open is closed a little later rather than never.
            QTimer::singleShot(2000, [guard] {
                if (guard && guard->isVisible())
                    if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
                        dialog->done(0);
            });
            return;
        }
        if (*elapsed > 2000) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
}

// A button's text without its "&".
inline QString PlainText(QString text) { return text.remove('&'); }

// Clicks the button of a window that has this text (its "&" left out); fails the test when
// there is none.
inline void Click(QWidget* window, const QString& text)
{
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (PlainText(button->text()) == text) {
            button->click();
            return;
        }
    ADD_FAILURE() << "no button " << text.toStdString();
}
