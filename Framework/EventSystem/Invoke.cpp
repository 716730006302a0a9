#include "Framework/EventSystem/Invoke.h"

#include "Framework/EventSystem/EventSystemLog.h"

namespace EventSystem
{
bool InvokeEvent::OnBeforeDispatch(IEventManager& /*manager*/)
{
    details_->Run();
    return false;
}

void Invoke(IEventManager& manager, std::function<void()> function)
{
    if (!function)
        throw std::bad_function_call();
    if (manager.IsEventThread())
    {
        function();
        return;
    }
    auto details = std::make_shared<InvokeDetails>(std::move(function));
    QELT_LOG_AT(LogCategory(), 5, "EventSystem/Invoke", 83) << "Submit:InvokeEvent( pDetails )";
    manager.Submit(InvokeEvent(std::move(details)));
}
} // namespace EventSystem
