#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <type_traits>
#include <utility>

// Every handler runs inside guard(): an exception that escapes it is shown
// through the presenter and the event loop goes on, so no exception ever
// crosses a Qt frame. The presenter is the start-up's error box in the
// program and a recorder in tests; this layer knows no widgets.
namespace ErrorBox {

using Presenter = std::function<void(const QString &message)>;
void setPresenter(Presenter presenter);

// Shows the message through the presenter; without one (a window built
// alone, outside the program) it goes to the log.
void show(const QString &message);

// The message an escaping exception is shown with.
QString messageOf(std::exception_ptr error);

// Runs fn; anything it throws is shown. Returns false when it threw.
bool guard(const std::function<void()> &fn);

} // namespace ErrorBox

namespace ErrorBox {

// Calls the handler inside the guard with the signal's arguments, or with
// none when it takes none. A function template of its own, not a lambda
// inside connectGuarded's: clang 14 checks a lambda nested in a generic
// lambda when connectGuarded is instantiated, the branch not taken too.
template<typename Receiver, typename Handler, typename... Args>
void callGuarded(Receiver *receiver, const Handler &handler, Args &&...args)
{
    guard([&] {
        if constexpr (std::is_invocable_v<const Handler &, Receiver *, Args...>)
            std::invoke(handler, receiver, std::forward<Args>(args)...);
        else
            std::invoke(handler, receiver);
    });
}

} // namespace ErrorBox

// Connects a signal to a member handler that runs inside the guard. The
// handler takes the signal's arguments, or none (the sender is ignored).
template<typename Sender, typename Signal, typename Receiver, typename Handler>
auto connectGuarded(Sender *sender, Signal signal, Receiver *receiver, Handler handler)
{
    return QObject::connect(sender, signal, receiver, [receiver, handler](auto &&...args) {
        ErrorBox::callGuarded(receiver, handler, std::forward<decltype(args)>(args)...);
    });
}
