#pragma once
// Deleter of the shared objects whose parts are thread-bound to the event thread (the Qt
// main thread): parameters, parameter lists and their observers. Whichever thread lets
// the last reference go, the object is destroyed on the event thread: at once when that
// is the current thread, otherwise through a destroyable event.
// Reentrant: called on any thread; the event manager must outlive every object it deletes.

#include "Framework/EventSystem/Event.h"
#include "Framework/EventSystem/EventManager.h"

#include <memory>

class VEventThreadDeleter
{
public:
    explicit VEventThreadDeleter(IEventManager& eventManager) : eventManager_(&eventManager) {}

    template <class T> void operator()(T* object) const
    {
        if (eventManager_->IsEventThread())
            delete object;
        else
            eventManager_->Submit(VDestroyableEvent(std::unique_ptr<T>(object)));
    }

private:
    IEventManager* eventManager_;
};
