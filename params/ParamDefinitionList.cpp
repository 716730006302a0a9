#include "params/ParamDefinitionList.h"

#include <cstring>
#include <string>

VParamDefinitionList::VParamDefinitionList(const IString& name, const IString& displayName,
                                           const IString& description, const IString& group,
                                           void* userData)
    : name_(name), displayName_(displayName), description_(description), group_(group),
      userData_(userData)
{
}

VParamDefinitionList::~VParamDefinitionList()
{
    NotifyObservers([this](IParamDefinitionListObserver* observer)
                    { observer->OnDefinitionListDestroyed(*this); });
}

void VParamDefinitionList::GetQualifiedName(IString& out) const
{
    out.Assign((group_.Str() + " " + displayName_.Str()).c_str());
}

bool VParamDefinitionList::CanAddDefinitions() const
{
    return paramLists_.IsEmpty();
}

IParamDefinition* VParamDefinitionList::AddDefinition(const IString& name,
                                                      const IString& displayName,
                                                      const IString& description,
                                                      const IString& group,
                                                      const IParamObject& prototype)
{
    return AddDefinition(name, displayName, description, group, prototype, nullptr);
}

IParamDefinition*
VParamDefinitionList::AddDefinition(const IString& name, const IString& displayName,
                                    const IString& description, const IString& group,
                                    const IParamObject& prototype, ISemanticType* semanticType)
{
    std::unique_ptr<ISemanticType> ownedType(semanticType);
    if (!CanAddDefinitions() || FindDefinition(name))
        return nullptr;
    definitions_.push_back(std::make_unique<VParamDefinition>(name, displayName, description, group,
                                                              prototype, ownedType.release()));
    return definitions_.back().get();
}

unsigned VParamDefinitionList::GetDefinitionCount() const
{
    return static_cast<unsigned>(definitions_.size());
}

bool VParamDefinitionList::GetDefinitionName(unsigned index, IString& out) const
{
    if (index >= definitions_.size())
        return false;
    definitions_[index]->GetName().CopyTo(out);
    return true;
}

IParamDefinition* VParamDefinitionList::FindDefinition(const IString& name) const
{
    for (const auto& definition : definitions_)
        if (std::strcmp(definition->GetName().CStr(), name.CStr()) == 0)
            return definition.get();
    return nullptr;
}

VDestroyableHandle<IParamList> VParamDefinitionList::CreateParamList()
{
    return CreateParamList(VStringStd(), VStringStd(), nullptr);
}

VDestroyableHandle<IParamList> VParamDefinitionList::CreateParamList(const IString& name,
                                                                     const IString& displayName,
                                                                     IParamListHandler* handler)
{
    auto* list = new VParamList(*this, name, displayName);
    for (const auto& definition : definitions_)
        list->AppendParam(definition->CreateParam());
    // Recorded once complete: a visit on another thread never sees it half filled.
    paramLists_.Add(*list);
    if (handler)
        list->SetHandler(handler);
    NotifyObservers([list](IParamDefinitionListObserver* observer)
                    { observer->OnParamListCreated(*list); });
    return MakeDestroyableHandle<IParamList>(list);
}

bool VParamDefinitionList::AddObserver(IParamDefinitionListObserver* observer)
{
    if (!InsertObserver(observer))
        return false;
    observer->OnObserving(*this);
    return true;
}

bool VParamDefinitionList::RemoveObserver(IParamDefinitionListObserver* observer)
{
    if (!EraseObserver(observer))
        return false;
    observer->OnStopObserving(*this);
    return true;
}

void VParamDefinitionList::ForEachParamList(const ParamListVisitor& visitor, bool visit)
{
    if (visit)
        paramLists_.ForEach(visitor);
}

void VParamDefinitionList::OnParamListDestroyed(const VParamList& list)
{
    paramLists_.Remove(list);
}
