#pragma once
// The parameters of one device, one per definition of its definition list and in that
// order, found by name. The list relays its parameters' notifications to its own
// observers (it observes the parameters only while it has observers of its own) and
// forwards their veto questions to the list handler, usually the device.
//
// Thread rules: thread-bound; no locks (the device's main thread in the emulator). The
// last owner may destroy it on another thread (the thread serving the device): the
// destructor first waits for visits of it through its definition list on other threads,
// then detaches its handler on the destroying thread.

#include "params/Destroyable.h"
#include "params/Observed.h"
#include "params/Param.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class IParamList;
class IParamDefinitionList;
class VParamDefinitionList;

class IParamListObserver
{
public:
    virtual void OnObserving(const IParamList& /*list*/) {}
    virtual void OnStopObserving(const IParamList& /*list*/) {}
    virtual void OnParamValueChanged(const IParamList& /*list*/, const IParam& /*param*/) {}
    virtual void OnParamAttributesChanged(const IParamList& /*list*/, const IParam& /*param*/,
                                          unsigned /*mask*/)
    {
    }
    virtual void OnListAttributesChanged(const IParamList& /*list*/, unsigned /*mask*/) {}
    virtual void OnParamListChanged(const IParamList& /*list*/) {}
    virtual ~IParamListObserver() = default;
};

class IParamListHandler
{
public:
    virtual void OnHandlerSet(IParamList& /*list*/) {}
    virtual bool AllowParamValueChange(const IParamList& /*list*/, const IParam& /*param*/)
    {
        return true;
    }
    virtual bool AllowParamAttributesChange(const IParamList& /*list*/, const IParam& /*param*/,
                                            unsigned /*mask*/)
    {
        return true;
    }
    virtual bool AllowListAttributesChange(const IParamList& /*list*/, unsigned /*mask*/)
    {
        return true;
    }
    virtual void Attach(IParamList& /*list*/) {}
    virtual void Detach(IParamList& /*list*/) {}
    virtual ~IParamListHandler() = default;
};

class IParamList : public IDestroyable
{
public:
    void Destroy() override = 0;
    ~IParamList() override = default;
    virtual void GetName(IString& out) const = 0;
    virtual void GetDisplayName(IString& out) const = 0;
    virtual bool SetEditable(bool editable) = 0;
    virtual bool IsEditable() const = 0;
    virtual unsigned GetParamCount() const = 0;
    virtual bool GetParamName(unsigned index, IString& out) const = 0;
    virtual IParam* FindParam(const IString& name) = 0;
    virtual const IParam* FindParam(const IString& name) const = 0;
    virtual void GetParams(IVector<IParam*>& out) = 0;
    virtual void GetParams(IVector<const IParam*>& out) const = 0;
    virtual bool HasSameDefinition(const IParamList& other) const = 0;
    // Assigns each parameter from its namesake in `other`; false when the definitions differ
    // or any parameter refused (that one stays as it was, the others are copied).
    virtual bool CopyValuesFrom(const IParamList& other) = 0;
    virtual bool IsEqual(const IParamList& other) const = 0;
    // A new unnamed list of the same definition list with this list's values.
    virtual VDestroyableHandle<IParamList> Clone() const = 0;
    virtual const IParamDefinitionList& GetDefinitionList() const = 0;
    virtual void* GetUserData() const = 0;
    virtual bool SetHandler(IParamListHandler* handler) = 0;
    virtual bool RemoveHandler(IParamListHandler* handler) = 0;
    virtual bool ValidateAll() = 0;
    virtual bool TouchAll() = 0;
    virtual bool AddObserver(IParamListObserver* observer, bool notifyNow) = 0;
    virtual bool RemoveObserver(IParamListObserver* observer) = 0;
    virtual void NotifyListChanged() = 0;
};

class VParamList : public IParamList,
                   public VObservedHelper<IParamList, IParamListObserver>,
                   public VObserverHelper<IParamObserver, IParam>,
                   public IParamHandler
{
public:
    struct Attributes
    {
        bool editable = true;
    };

    // Made by the definition list, which fills it.
    VParamList(VParamDefinitionList& definitionList, const IString& name,
               const IString& displayName);
    ~VParamList() override;
    VParamList(const VParamList&) = delete;
    VParamList& operator=(const VParamList&) = delete;

    void Destroy() override { delete this; }
    void GetName(IString& out) const override { name_.CopyTo(out); }
    void GetDisplayName(IString& out) const override { displayName_.CopyTo(out); }
    bool SetEditable(bool editable) override;
    bool IsEditable() const override { return attributes_.editable; }
    unsigned GetParamCount() const override { return static_cast<unsigned>(params_.size()); }
    bool GetParamName(unsigned index, IString& out) const override;
    IParam* FindParam(const IString& name) override { return FindParam(name.CStr()); }
    const IParam* FindParam(const IString& name) const override { return FindParam(name.CStr()); }
    void GetParams(IVector<IParam*>& out) override;
    void GetParams(IVector<const IParam*>& out) const override;
    bool HasSameDefinition(const IParamList& other) const override;
    bool CopyValuesFrom(const IParamList& other) override;
    bool IsEqual(const IParamList& other) const override;
    VDestroyableHandle<IParamList> Clone() const override;
    const IParamDefinitionList& GetDefinitionList() const override;
    void* GetUserData() const override;
    bool SetHandler(IParamListHandler* handler) override;
    bool RemoveHandler(IParamListHandler* handler) override;
    bool ValidateAll() override;
    bool TouchAll() override;
    bool AddObserver(IParamListObserver* observer, bool notifyNow) override;
    bool RemoveObserver(IParamListObserver* observer) override;
    void NotifyListChanged() override;

    // Lookup without building a string object; none when absent.
    IParam* FindParam(std::string_view name);
    const IParam* FindParam(std::string_view name) const;
    // Called by the definition list while it fills the list, in definition order.
    void AppendParam(std::unique_ptr<VParam> param);

private:
    void OnValueChanged(const IParam& param) override;
    void OnAttributesChanged(const IParam& param, unsigned mask) override;
    bool AllowValueChange(const IParam& param) override;
    bool AllowAttributesChange(const IParam& param, unsigned mask) override;
    void OnListObserverAdded(IParamListObserver* observer, bool notifyNow);
    void OnListObserverRemoved();
    void RemoveHandlerFromParams(std::size_t count);

    VParamDefinitionList& definitionList_;
    std::vector<std::unique_ptr<VParam>> params_;
    std::map<std::string, std::size_t, std::less<>> index_;
    IParamListHandler* handler_ = nullptr;
    const VStringStd name_;
    const VStringStd displayName_;
    Attributes attributes_;
    std::vector<Attributes> attributesUndo_;
};
