#pragma once
// The application object's exception report: an exception that nobody else handles is
// shown with its message and the program goes on.
#include <exception>
#include <functional>

class TObject;

namespace Application {

// Shows E's message in the exception report box (or hands it to the installed hook);
// an EAbort is silent and reaches neither.
void HandleException(TObject* Sender, const std::exception& E);
// Same, for the exception being handled in the current catch block.
void HandleCurrentException(TObject* Sender);

using TExceptionHook = std::function<void(TObject* Sender, const std::exception& E)>;
// Tests replace the report; an empty hook restores the box. Returns the previous hook.
TExceptionHook SetExceptionHook(TExceptionHook Hook);

} // namespace Application
