#include "toolkit/Application.h"

#include <mutex>
#include <stdexcept>
#include <utility>

#include "toolkit/Dialogs.h"
#include "toolkit/SysUtils.h"
#include "toolkit/Win1252.h"

namespace Application {

namespace {
std::mutex hookMutex;
TExceptionHook exceptionHook;
} // namespace

void HandleException(TObject* Sender, const std::exception& E)
{
    if (dynamic_cast<const EAbort*>(&E) != nullptr)
        return;
    TExceptionHook hook;
    {
        std::lock_guard lock(hookMutex);
        hook = exceptionHook;
    }
    if (hook) {
        hook(Sender, E);
        return;
    }
    ShowExceptionMessage(ToScreen(ExceptionMessage(E)));
}

void HandleCurrentException(TObject* Sender)
{
    try {
        throw;
    } catch (const std::exception& e) {
        HandleException(Sender, e);
    } catch (...) {
        HandleException(Sender, std::runtime_error("Unknown exception"));
    }
}

TExceptionHook SetExceptionHook(TExceptionHook Hook)
{
    std::lock_guard lock(hookMutex);
    return std::exchange(exceptionHook, std::move(Hook));
}

} // namespace Application
