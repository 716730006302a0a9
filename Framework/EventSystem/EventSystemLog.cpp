#include "Framework/EventSystem/EventSystemLog.h"

namespace EventSystem
{
Qelt::ILogCategorised::ICategory& LogCategory()
{
    static Qelt::ILogCategorised::ICategory& category =
        Qelt::GlobalLog().GetCategory("Event System");
    return category;
}
} // namespace EventSystem
