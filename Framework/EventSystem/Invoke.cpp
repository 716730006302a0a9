#include "Framework/EventSystem/Invoke.h"

#include "diagnostics/Log.h"

namespace EventSystem
{
namespace
{
Qelt::ILogCategorised::ICategory& EventSystemLog()
{
    static Qelt::ILogCategorised::ICategory& category =
        Qelt::GlobalLog().GetCategory("Event System");
    return category;
}
} // namespace

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
    QELT_LOG(EventSystemLog(), 5) << "Submit:InvokeEvent( pDetails )";
    manager.Submit(InvokeEvent(std::move(details)));
}
} // namespace EventSystem
