#include "base/ErrorGuard.h"

#include "base/Errors.h"

#include <QDebug>

namespace ErrorBox {
namespace {
Presenter &presenter()
{
    static Presenter current;
    return current;
}
} // namespace

void setPresenter(Presenter p)
{
    presenter() = std::move(p);
}

void show(const QString &message)
{
    if (presenter()) {
        presenter()(message);
        return;
    }
    qCritical().noquote() << message;
}

QString messageOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const OcellaneError &e) {
        return e.message();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Out of memory.");
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unexpected error.");
    }
}

bool guard(const std::function<void()> &fn)
{
    try {
        fn();
        return true;
    } catch (...) {
        const QString message = messageOf(std::current_exception());
        try {
            show(message);
        } catch (...) {
            // Nothing may cross the Qt frame, not even a failing box.
        }
        return false;
    }
}

} // namespace ErrorBox
