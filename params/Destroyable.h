#pragma once
// Objects that free themselves through Destroy(), so an object made in one module is
// deleted by the code that made it; VDestroyableHandle shares such an object and calls
// Destroy() when the last handle goes. Thread rules: as the destroyed object's.

#include <memory>

class IDestroyable
{
public:
    // Deletes the object through its virtual destructor.
    virtual void Destroy() = 0;
    virtual ~IDestroyable() = default;
};

template <class T> using VDestroyableHandle = std::shared_ptr<T>;

// Takes ownership of `object`; nullptr gives an empty handle.
template <class T> VDestroyableHandle<T> MakeDestroyableHandle(T* object)
{
    if (object == nullptr)
    {
        return {};
    }
    return VDestroyableHandle<T>(object, [](T* owned) { owned->Destroy(); });
}

// Sole ownership of an object that must be freed through Destroy():
// std::unique_ptr<T, DestroyDeleter>.
struct DestroyDeleter
{
    void operator()(IDestroyable* object) const
    {
        if (object)
            object->Destroy();
    }
};
