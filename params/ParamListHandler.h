#pragma once
// The list handler a device installs on its parameter list: each of the first four
// handler operations may be bound to a member function of the device. While disabled, or
// where no member is bound, changes are allowed and nothing is called. Thread-bound to
// the thread that uses the list; a list detaches itself on the thread that destroys it.

#include "params/ParamList.h"

#include <set>

template <class T> class VParamListHandler
{
public:
    class Handler : public IParamListHandler
    {
    public:
        struct Callbacks
        {
            void (T::*onHandlerSet)(IParamList&) = nullptr;
            bool (T::*allowParamValueChange)(const IParamList&, const IParam&) = nullptr;
            bool (T::*allowParamAttributesChange)(const IParamList&, const IParam&,
                                                  unsigned) = nullptr;
            bool (T::*allowListAttributesChange)(const IParamList&, unsigned) = nullptr;
        };

        explicit Handler(T& owner, Callbacks callbacks = {}, bool enabled = true)
            : owner_(owner), callbacks_(callbacks), enabled_(enabled)
        {
        }

        void SetEnabled(bool enabled) { enabled_ = enabled; }
        bool IsEnabled() const { return enabled_; }
        bool IsAttachedTo(const IParamList& list) const { return lists_.count(&list) != 0; }

        void OnHandlerSet(IParamList& list) override
        {
            if (enabled_ && callbacks_.onHandlerSet)
                (owner_.*callbacks_.onHandlerSet)(list);
        }
        bool AllowParamValueChange(const IParamList& list, const IParam& param) override
        {
            return !enabled_ || !callbacks_.allowParamValueChange ||
                   (owner_.*callbacks_.allowParamValueChange)(list, param);
        }
        bool AllowParamAttributesChange(const IParamList& list, const IParam& param,
                                        unsigned mask) override
        {
            return !enabled_ || !callbacks_.allowParamAttributesChange ||
                   (owner_.*callbacks_.allowParamAttributesChange)(list, param, mask);
        }
        bool AllowListAttributesChange(const IParamList& list, unsigned mask) override
        {
            return !enabled_ || !callbacks_.allowListAttributesChange ||
                   (owner_.*callbacks_.allowListAttributesChange)(list, mask);
        }
        void Attach(IParamList& list) override { lists_.insert(&list); }
        void Detach(IParamList& list) override { lists_.erase(&list); }

    private:
        T& owner_;
        Callbacks callbacks_;
        bool enabled_;
        std::set<const IParamList*> lists_;
    };
};
