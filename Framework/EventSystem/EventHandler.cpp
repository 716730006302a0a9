#include "Framework/EventSystem/EventHandler.h"

#include "Framework/EventSystem/EventManager.h"

VEventHandler::~VEventHandler()
{
    UnregisterAll();
}

void VEventHandler::UnregisterAll()
{
    while (!managers_.empty())
    {
        IEventManager* manager = *managers_.begin();
        manager->Unregister(this);
        // A manager that did not report the removal must not keep the loop going.
        managers_.erase(manager);
    }
}
