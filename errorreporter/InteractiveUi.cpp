// The interactive interface of a build without the report dialog: the console one.

#include "errorreporter/ConsoleUi.h"

namespace QeltErrorReporting
{
std::unique_ptr<IReporterUi> CreateInteractiveUi(int&, char**)
{
    return CreateConsoleUi();
}
} // namespace QeltErrorReporting
