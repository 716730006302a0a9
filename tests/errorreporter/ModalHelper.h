#pragma once
// Acts on a modal window from inside its own event loop: a test arms the helper, then calls the
// function that opens the window and blocks in exec(). The helper checks from the event loop
// until a modal widget of the wanted type is open and runs the action on it once. If none opens
// before the deadline it closes whatever modal widget there is, so a broken test cannot hang.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace ReporterTest
{
template <class Window> class ModalAction
{
public:
    explicit ModalAction(std::function<void(Window&)> action) : action_(std::move(action))
    {
        clock_.start();
        QObject::connect(&poll_, &QTimer::timeout, [this] { Check(); });
        poll_.start(5);
    }

    bool Ran() const { return ran_; }

private:
    void Check()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* window = qobject_cast<Window*>(modal))
        {
            poll_.stop();
            ran_ = true;
            action_(*window);
            return;
        }
        if (clock_.elapsed() < 10000)
            return;
        poll_.stop();
        if (modal)
            modal->close();
    }

    std::function<void(Window&)> action_;
    QTimer poll_;
    QElapsedTimer clock_;
    bool ran_ = false;
};
} // namespace ReporterTest
