#pragma once
// The parameter definitions of one device type, in order, and the factory of the
// parameter lists of its devices. Definitions can be added only while no list made from
// it exists; it opens again when the last of its lists is destroyed.
//
// Thread rules: the main thread builds the definition registries, adds definitions and
// creates the devices' lists. A list may be destroyed on any thread (the thread serving a
// device can hold its last reference), so the record of the lists made from this one,
// `paramLists_`, is thread-safe, and so are CanAddDefinitions() and ForEachParamList(): a
// list destroyed during a visit is either visited completely before its destruction goes
// on or not at all.

#include "params/Destroyable.h"
#include "params/Observed.h"
#include "params/ParamDefinition.h"
#include "params/ParamList.h"
#include "params/ParamListRecord.h"

#include <functional>
#include <memory>
#include <vector>

class IParamDefinitionList;

class IParamDefinitionListObserver
{
public:
    virtual void OnObserving(const IParamDefinitionList& /*list*/) {}
    virtual void OnStopObserving(const IParamDefinitionList& /*list*/) {}
    virtual void OnParamListCreated(const IParamList& /*list*/) {}
    virtual void OnDefinitionListDestroyed(const IParamDefinitionList& /*list*/) {}
    virtual ~IParamDefinitionListObserver() = default;
};

class IParamDefinitionList
{
public:
    using ParamListVisitor = std::function<void(IParamList&)>;

    virtual void GetName(IString& out) const = 0;
    virtual void GetDisplayName(IString& out) const = 0;
    virtual void GetDescription(IString& out) const = 0;
    virtual void GetGroup(IString& out) const = 0;
    // Group, one blank, display name.
    virtual void GetQualifiedName(IString& out) const = 0;
    virtual bool CanAddDefinitions() const = 0;
    // None when definitions can no longer be added or the name is taken.
    virtual IParamDefinition* AddDefinition(const IString& name, const IString& displayName,
                                            const IString& description, const IString& group,
                                            const IParamObject& prototype) = 0;
    virtual IParamDefinition* AddDefinition(const IString& name, const IString& displayName,
                                            const IString& description, const IString& group,
                                            const IParamObject& prototype,
                                            ISemanticType* semanticType) = 0;
    virtual unsigned GetDefinitionCount() const = 0;
    virtual bool GetDefinitionName(unsigned index, IString& out) const = 0;
    virtual IParamDefinition* FindDefinition(const IString& name) const = 0;
    virtual VDestroyableHandle<IParamList> CreateParamList() = 0;
    virtual VDestroyableHandle<IParamList> CreateParamList(const IString& name,
                                                           const IString& displayName,
                                                           IParamListHandler* handler) = 0;
    virtual void* GetUserData() const = 0;
    virtual bool AddObserver(IParamDefinitionListObserver* observer) = 0;
    virtual bool RemoveObserver(IParamDefinitionListObserver* observer) = 0;
    virtual ~IParamDefinitionList() = default;
    // Visits the lists made from this one, in creation order, when `visit` is true; a list
    // destroyed meanwhile is skipped.
    virtual void ForEachParamList(const ParamListVisitor& visitor, bool visit) = 0;
};

class VParamDefinitionList
    : public IParamDefinitionList,
      public VObservedHelper<IParamDefinitionList, IParamDefinitionListObserver>
{
public:
    VParamDefinitionList(const IString& name, const IString& displayName,
                         const IString& description, const IString& group,
                         void* userData = nullptr);
    ~VParamDefinitionList() override;
    VParamDefinitionList(const VParamDefinitionList&) = delete;
    VParamDefinitionList& operator=(const VParamDefinitionList&) = delete;

    void GetName(IString& out) const override { name_.CopyTo(out); }
    void GetDisplayName(IString& out) const override { displayName_.CopyTo(out); }
    void GetDescription(IString& out) const override { description_.CopyTo(out); }
    void GetGroup(IString& out) const override { group_.CopyTo(out); }
    void GetQualifiedName(IString& out) const override;
    bool CanAddDefinitions() const override;
    IParamDefinition* AddDefinition(const IString& name, const IString& displayName,
                                    const IString& description, const IString& group,
                                    const IParamObject& prototype) override;
    IParamDefinition* AddDefinition(const IString& name, const IString& displayName,
                                    const IString& description, const IString& group,
                                    const IParamObject& prototype,
                                    ISemanticType* semanticType) override;
    unsigned GetDefinitionCount() const override;
    bool GetDefinitionName(unsigned index, IString& out) const override;
    IParamDefinition* FindDefinition(const IString& name) const override;
    VDestroyableHandle<IParamList> CreateParamList() override;
    VDestroyableHandle<IParamList> CreateParamList(const IString& name, const IString& displayName,
                                                   IParamListHandler* handler) override;
    void* GetUserData() const override { return userData_; }
    bool AddObserver(IParamDefinitionListObserver* observer) override;
    bool RemoveObserver(IParamDefinitionListObserver* observer) override;
    void ForEachParamList(const ParamListVisitor& visitor, bool visit) override;

    // Called by a list made from this one when its destruction begins; returns once no other
    // thread visits it any more.
    void OnParamListDestroyed(const VParamList& list);

private:
    const VStringStd name_;
    const VStringStd displayName_;
    const VStringStd description_;
    const VStringStd group_;
    VParamListRecord paramLists_;
    std::vector<std::unique_ptr<VParamDefinition>> definitions_;
    void* const userData_;
};
