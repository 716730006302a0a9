#include "params/ParamList.h"

#include "params/ParamDefinitionList.h"

VParamList::VParamList(VParamDefinitionList& definitionList, const IString& name,
                       const IString& displayName)
    : definitionList_(definitionList), name_(name), displayName_(displayName)
{
}

// Leaves the definition list's record first, so that no visit on another thread sees the
// list being taken apart, then lets go of its handler and its parameters.
VParamList::~VParamList()
{
    definitionList_.OnParamListDestroyed(*this);
    if (handler_)
        RemoveHandler(handler_);
    StopObservingAll();
}

void VParamList::AppendParam(std::unique_ptr<VParam> param)
{
    param->SetParamList(this);
    index_.emplace(param->Name().Str(), params_.size());
    params_.push_back(std::move(param));
}

bool VParamList::GetParamName(unsigned index, IString& out) const
{
    if (index >= params_.size())
        return false;
    params_[index]->GetName(out);
    return true;
}

IParam* VParamList::FindParam(std::string_view name)
{
    const auto found = index_.find(name);
    return found == index_.end() ? nullptr : params_[found->second].get();
}

const IParam* VParamList::FindParam(std::string_view name) const
{
    const auto found = index_.find(name);
    return found == index_.end() ? nullptr : params_[found->second].get();
}

void VParamList::GetParams(IVector<IParam*>& out)
{
    out.Clear();
    for (const auto& param : params_)
        out.PushBack(param.get());
}

void VParamList::GetParams(IVector<const IParam*>& out) const
{
    out.Clear();
    for (const auto& param : params_)
        out.PushBack(param.get());
}

bool VParamList::HasSameDefinition(const IParamList& other) const
{
    return &other.GetDefinitionList() == &GetDefinitionList();
}

// Copies every parameter even after a refusal; a refused parameter stays as it was.
bool VParamList::CopyValuesFrom(const IParamList& other)
{
    if (!HasSameDefinition(other))
        return false;
    bool allAssigned = true;
    for (const auto& param : params_)
        if (const IParam* source = other.FindParam(param->Name()))
            allAssigned = param->Assign(*source) && allAssigned;
    return allAssigned;
}

bool VParamList::IsEqual(const IParamList& other) const
{
    if (!HasSameDefinition(other))
        return false;
    for (const auto& param : params_)
    {
        const IParam* counterpart = other.FindParam(param->Name());
        if (!counterpart || !param->IsEqual(*counterpart))
            return false;
    }
    return true;
}

VDestroyableHandle<IParamList> VParamList::Clone() const
{
    VDestroyableHandle<IParamList> copy = definitionList_.CreateParamList();
    copy->CopyValuesFrom(*this);
    return copy;
}

const IParamDefinitionList& VParamList::GetDefinitionList() const
{
    return definitionList_;
}

void* VParamList::GetUserData() const
{
    return definitionList_.GetUserData();
}

bool VParamList::SetEditable(bool editable)
{
    if (attributes_.editable == editable)
        return true;
    attributesUndo_.push_back(attributes_);
    attributes_.editable = editable;
    if (attributesUndo_.size() > 1)
    {
        attributesUndo_.pop_back();
        return true;
    }
    const unsigned mask = ParamAttributeBits::kListEditable;
    if (handler_ && !handler_->AllowListAttributesChange(*this, mask))
    {
        attributes_ = attributesUndo_.back();
        attributesUndo_.pop_back();
        return false;
    }
    NotifyObservers([this, mask](IParamListObserver* observer)
                    { observer->OnListAttributesChanged(*this, mask); });
    attributesUndo_.pop_back();
    // Every parameter's effective read-only state follows the list's editable state.
    for (const auto& param : params_)
        param->NotifyAttributesChanged(ParamAttributeBits::kReadOnly);
    return true;
}

bool VParamList::SetHandler(IParamListHandler* handler)
{
    if (handler_)
        return false;
    handler_ = handler;
    for (std::size_t i = 0; i < params_.size(); ++i)
    {
        if (!params_[i]->SetHandler(this))
        {
            RemoveHandlerFromParams(i);
            handler_ = nullptr;
            return false;
        }
    }
    handler->Attach(*this);
    handler->OnHandlerSet(*this);
    return true;
}

bool VParamList::RemoveHandler(IParamListHandler* handler)
{
    if (!handler_ || handler_ != handler)
        return false;
    RemoveHandlerFromParams(params_.size());
    handler->Detach(*this);
    handler_ = nullptr;
    return true;
}

// Takes the list's face off the first `count` parameters.
void VParamList::RemoveHandlerFromParams(std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        params_[i]->RemoveHandler(this);
}

bool VParamList::ValidateAll()
{
    bool allAccepted = true;
    for (const auto& param : params_)
        allAccepted = param->Validate() && allAccepted;
    return allAccepted;
}

bool VParamList::TouchAll()
{
    bool allAccepted = true;
    for (const auto& param : params_)
        allAccepted = param->TouchAttributes() && allAccepted;
    const bool listAccepted =
        !handler_ || handler_->AllowListAttributesChange(*this, ParamAttributeBits::kAll);
    return allAccepted && listAccepted;
}

bool VParamList::AddObserver(IParamListObserver* observer, bool notifyNow)
{
    if (!InsertObserver(observer))
        return false;
    observer->OnObserving(*this);
    OnListObserverAdded(observer, notifyNow);
    return true;
}

bool VParamList::RemoveObserver(IParamListObserver* observer)
{
    if (!EraseObserver(observer))
        return false;
    observer->OnStopObserving(*this);
    OnListObserverRemoved();
    return true;
}

// The list starts observing its parameters with its first observer. A parameter observed
// already does not repeat its notifications, so the new observer is told directly.
void VParamList::OnListObserverAdded(IParamListObserver* observer, bool notifyNow)
{
    for (const auto& param : params_)
    {
        if (StartObserving(*param, notifyNow) || !notifyNow)
            continue;
        observer->OnParamValueChanged(*this, *param);
        observer->OnParamAttributesChanged(*this, *param, ParamAttributeBits::kAll);
    }
}

void VParamList::OnListObserverRemoved()
{
    if (GetObserverCount() == 0)
        StopObservingAll();
}

void VParamList::NotifyListChanged()
{
    NotifyObservers([this](IParamListObserver* observer) { observer->OnParamListChanged(*this); });
}

void VParamList::OnValueChanged(const IParam& param)
{
    NotifyObservers([this, &param](IParamListObserver* observer)
                    { observer->OnParamValueChanged(*this, param); });
}

void VParamList::OnAttributesChanged(const IParam& param, unsigned mask)
{
    NotifyObservers([this, &param, mask](IParamListObserver* observer)
                    { observer->OnParamAttributesChanged(*this, param, mask); });
}

bool VParamList::AllowValueChange(const IParam& param)
{
    return !handler_ || handler_->AllowParamValueChange(*this, param);
}

bool VParamList::AllowAttributesChange(const IParam& param, unsigned mask)
{
    return !handler_ || handler_->AllowParamAttributesChange(*this, param, mask);
}
