#pragma once
// Base of objects that are always owned through shared pointers and need shared
// references to themselves (devices, command sessions). Concrete objects are made
// only through VSharedFinal, which calls the post-creation hook once, right after
// shared ownership exists, so the hook may already hand out shared references, and the
// pre-destruction hook once, while the whole object still exists, so threads that call
// its virtual operations can be stopped before any part of it is gone.
// Reentrant: Create() may run on any thread.

#include <memory>
#include <utility>

namespace Qelt
{
class VShared : public std::enable_shared_from_this<VShared>
{
public:
    // Called once right after shared ownership of the object is established.
    virtual void OnCreated() {}
    // Called once when the last owner lets go, before any destructor runs.
    virtual void OnBeforeDestruction() {}
    // Implemented by VSharedFinal only, so that only it can be instantiated.
    virtual void SealedByFinal() = 0;
    virtual ~VShared() = default;

    template <class T> std::shared_ptr<T> SharedAs()
    {
        return std::static_pointer_cast<T>(shared_from_this());
    }
};

template <class T> class VSharedFinal final : public T
{
public:
    template <class... Args> explicit VSharedFinal(Args&&... args) : T(std::forward<Args>(args)...)
    {
    }
    ~VSharedFinal() override { this->OnBeforeDestruction(); }
    void SealedByFinal() override {}

    template <class... Args> static std::shared_ptr<T> Create(Args&&... args)
    {
        return Created(std::make_shared<VSharedFinal<T>>(std::forward<Args>(args)...));
    }

    // The same, with `deleter` destroying the object when the last owner lets go.
    template <class Deleter, class... Args>
    static std::shared_ptr<T> CreateWithDeleter(Deleter deleter, Args&&... args)
    {
        return Created(
            std::shared_ptr<T>(new VSharedFinal<T>(std::forward<Args>(args)...), deleter));
    }

private:
    static std::shared_ptr<T> Created(std::shared_ptr<T> object)
    {
        object->OnCreated();
        return object;
    }
};
} // namespace Qelt
