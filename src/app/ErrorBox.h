#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <type_traits>
#include <utility>

// The application's standard error box. Every handler runs inside guard():
// an exception that escapes it is shown here and the event loop goes on, so
// no exception ever crosses a Qt frame.
namespace ErrorBox {

// The title the box carries: the application title.
QString title();

// Shows the message: a critical message box, unless a presenter was set.
void show(const QString &message);

// Tests observe the box through a presenter instead of a modal loop.
using Presenter = std::function<void(const QString &message)>;
void setPresenter(Presenter presenter);

// The message an escaping exception is shown with.
QString messageOf(std::exception_ptr error);

// Runs fn; anything it throws is shown. Returns false when it threw.
bool guard(const std::function<void()> &fn);

} // namespace ErrorBox

// Connects a signal to a member handler that runs inside the guard. The
// handler takes the signal's arguments, or none (the sender is ignored).
template<typename Sender, typename Signal, typename Receiver, typename Handler>
auto connectGuarded(Sender *sender, Signal signal, Receiver *receiver, Handler handler)
{
    return QObject::connect(sender, signal, receiver, [receiver, handler](auto &&...args) {
        ErrorBox::guard([&] {
            if constexpr (std::is_invocable_v<Handler, Receiver *, decltype(args)...>)
                std::invoke(handler, receiver, std::forward<decltype(args)>(args)...);
            else
                std::invoke(handler, receiver);
        });
    });
}
