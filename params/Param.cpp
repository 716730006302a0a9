#include "params/Param.h"

#include "params/ParamDefinition.h"
#include "params/ParamList.h"

#include <algorithm>
#include <cstring>

namespace
{
VParam::Choices CopyChoices(const VParam::Choices& choices)
{
    VParam::Choices copy;
    copy.reserve(choices.size());
    for (const VParam::Choice& choice : choices)
        copy.push_back({choice.name, std::make_unique<VParam>(*choice.param)});
    return copy;
}

bool SameChoices(const VParam::Choices& a, const VParam::Choices& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const VParam::Choice& x, const VParam::Choice& y)
                      { return x.name == y.name && x.param->IsEqualTo(*y.param, true); });
}

std::unique_ptr<IParamObject, DestroyDeleter> CloneValue(const IParamObject& value)
{
    return std::unique_ptr<IParamObject, DestroyDeleter>(value.Clone());
}
} // namespace

VParam::Attributes::Attributes(const Attributes& other) : choices(CopyChoices(other.choices))
{
    CopyFlagsFrom(other);
}

VParam::Attributes::~Attributes() = default;

void VParam::Attributes::CopyFlagsFrom(const Attributes& other)
{
    readOnly = other.readOnly;
    flagB = other.flagB;
    flagE = other.flagE;
    flagC = other.flagC;
    isRange = other.isRange;
    modeFlag = other.modeFlag;
}

unsigned VParam::Attributes::DifferenceMask(const Attributes& other) const
{
    using namespace ParamAttributeBits;
    unsigned mask = 0;
    mask |= readOnly != other.readOnly ? kReadOnly : 0;
    mask |= flagB != other.flagB ? kFlagB : 0;
    mask |= flagE != other.flagE ? kFlagE : 0;
    mask |= flagC != other.flagC ? kFlagC : 0;
    const bool sameChoices = isRange == other.isRange && modeFlag == other.modeFlag &&
                             SameChoices(choices, other.choices);
    return mask | (sameChoices ? 0 : kChoices);
}

VParam::VParam(const VParamDefinition& definition, const IParamObject& value)
    : value_(CloneValue(value)), definition_(&definition),
      semanticType_(definition.GetSemanticType()),
      semanticValue_(definition.GetSemanticType().CreateSemanticValue())
{
}

VParam::VParam(const VParam& other)
    : IParam(), VObservedHelper(), IParamHandler(), hasValue_(other.hasValue_),
      value_(CloneValue(*other.value_)), definition_(other.definition_),
      semanticType_(other.semanticType_), attributes_(other.attributes_),
      semanticValue_(other.semanticType_.CreateSemanticValue()), defaultValue_(other.defaultValue_),
      displayAttribute_(other.displayAttribute_)
{
    AdoptOwnChoices();
}

// A snapshot for the value change protocol: the value state only, which is all that is
// compared, restored and shown to observers; attributes and choices are not copied.
VParam::VParam(const VParam& other, ValueStateOnly)
    : IParam(), VObservedHelper(), IParamHandler(), hasValue_(other.hasValue_),
      value_(CloneValue(*other.value_)), definition_(other.definition_),
      semanticType_(other.semanticType_)
{
}

VParam::~VParam() = default;

std::unique_ptr<VParam> VParam::ValueSnapshot() const
{
    return std::unique_ptr<VParam>(new VParam(*this, ValueStateOnly{}));
}

const VStringStd& VParam::Name() const
{
    return definition_->GetName();
}

void VParam::GetName(IString& out) const
{
    definition_->GetName().CopyTo(out);
}

void VParam::GetDisplayName(IString& out) const
{
    definition_->GetDisplayName().CopyTo(out);
}

void VParam::GetDescription(IString& out) const
{
    definition_->GetDescription().CopyTo(out);
}

void VParam::GetGroup(IString& out) const
{
    definition_->GetGroup().CopyTo(out);
}

const IParamDefinition& VParam::GetDefinition() const
{
    return *definition_;
}

const IParamObject* VParam::GetValueConst() const
{
    return value_.get();
}

IParamObject* VParam::GetValue()
{
    return hasValue_ ? value_.get() : nullptr;
}

bool VParam::GetValueAsString(IString& out) const
{
    if (!hasValue_)
        return false;
    value_->ToString(out);
    return true;
}

// ---- value change protocol -------------------------------------------------------------

template <class Change>
bool VParam::ChangeValue(bool respectReadOnly, bool forceConfirm, Change change)
{
    valueUndo_.push_back(ValueSnapshot());
    if (!change() || !ValueChangeAllowed(respectReadOnly, forceConfirm))
        return RestoreValue();
    FinishValueChange();
    return true;
}

// Only the outermost change is checked against read-only and the handler; nested ones are
// part of it.
bool VParam::ValueChangeAllowed(bool respectReadOnly, bool forceConfirm)
{
    if (valueUndo_.size() > 1)
        return true;
    const bool changed = !SameValueState(*valueUndo_.back());
    if (changed && respectReadOnly && IsReadOnly())
        return false;
    if (!changed && !forceConfirm)
        return true;
    return !handler_ || handler_->AllowValueChange(*this);
}

// Tells the observers of an outermost change whose value still differs (the handler may
// have changed it back), then drops the snapshot.
void VParam::FinishValueChange()
{
    if (valueUndo_.size() == 1 && !SameValueState(*valueUndo_.back()))
        NotifyValueChanged();
    valueUndo_.pop_back();
}

// Puts the last snapshot back silently; always false, the result of a refused change.
bool VParam::RestoreValue()
{
    CopyValueState(*valueUndo_.back());
    valueUndo_.pop_back();
    return false;
}

bool VParam::SameValueState(const VParam& other) const
{
    return hasValue_ == other.hasValue_ && (!hasValue_ || value_->IsEqual(*other.value_));
}

void VParam::CopyValueState(const VParam& from)
{
    hasValue_ = from.hasValue_;
    if (!value_->Assign(*from.value_))
        value_ = CloneValue(*from.value_);
}

void VParam::NotifyValueChanged()
{
    NotifyObservers([this](IParamObserver* observer) { observer->OnValueChanged(*this); });
}

bool VParam::SetValue(const IParamObject& value, bool respectReadOnly)
{
    if (hasValue_ && value_->IsEqual(value))
        return true;
    return ChangeValue(respectReadOnly, false,
                       [&]
                       {
                           if (!value_->Assign(value))
                               return false;
                           hasValue_ = true;
                           return true;
                       });
}

bool VParam::SetValueFromString(const IString& text, bool respectReadOnly)
{
    return ChangeValue(respectReadOnly, false,
                       [&]
                       {
                           if (!value_->FromString(text))
                               return false;
                           hasValue_ = true;
                           return true;
                       });
}

bool VParam::ClearValue(bool respectReadOnly)
{
    if (!hasValue_)
        return true;
    return ChangeValue(respectReadOnly, false,
                       [&]
                       {
                           hasValue_ = false;
                           return true;
                       });
}

bool VParam::Validate()
{
    valueUndo_.push_back(ValueSnapshot());
    const bool allowed = !handler_ || handler_->AllowValueChange(*this);
    if (allowed && !SameValueState(*valueUndo_.back()))
        NotifyValueChanged();
    valueUndo_.pop_back();
    return allowed;
}

bool VParam::GetValueSnapshots(IVector<const IParam*>& out) const
{
    if (valueUndo_.empty())
        return false;
    out.Clear();
    for (const auto& snapshot : valueUndo_)
        out.PushBack(snapshot.get());
    return true;
}

const IParam* VParam::GetLastSnapshot() const
{
    return valueUndo_.empty() ? nullptr : valueUndo_.back().get();
}

void VParam::QueueValue(const IParamObject& value)
{
    valueQueue_.push_back(CloneValue(value));
}

VDestroyableHandle<IParamObject> VParam::DequeueValue()
{
    if (valueQueue_.empty())
        return {};
    VDestroyableHandle<IParamObject> oldest = MakeDestroyableHandle(valueQueue_.front().release());
    valueQueue_.pop_front();
    return oldest;
}

// ---- macros: none exist without a macro provider ---------------------------------------

bool VParam::GetMacroName(unsigned /*index*/, IString& /*out*/) const
{
    return false;
}

bool VParam::GetCurrentMacroName(IString& /*out*/) const
{
    return false;
}

bool VParam::HasMacro(const IString& /*name*/) const
{
    return false;
}

bool VParam::SetMacro(const IString& /*name*/, bool /*respectReadOnly*/)
{
    return false;
}

bool VParam::DetachMacro(bool /*respectReadOnly*/)
{
    return true;
}

// ---- defaults --------------------------------------------------------------------------

const VParam& VParam::DefaultParam() const
{
    return defaultValue_ ? *defaultValue_ : static_cast<const VParam&>(definition_->GetPrototype());
}

bool VParam::IsDefault() const
{
    return SameValueState(DefaultParam());
}

// Copies the default value itself: its text form may have lost digits. A default of another
// value type cannot be copied and is refused.
bool VParam::ResetToDefault(bool respectReadOnly)
{
    if (IsDefault())
        return true;
    const VParam& defaultParam = DefaultParam();
    if (!defaultParam.hasValue_)
        return ClearValue(respectReadOnly);
    return SetValue(*defaultParam.value_, respectReadOnly);
}

void VParam::SetDefault(const IParamObject& value)
{
    auto defaultParam = std::make_shared<VParam>(*definition_, value);
    defaultValue_ = std::move(defaultParam);
}

// ---- whole-parameter operations --------------------------------------------------------

bool VParam::IsSameDefinition(const IParam& other) const
{
    const auto* param = dynamic_cast<const VParam*>(&other);
    return param && param->definition_ == definition_;
}

bool VParam::IsEqualTo(const IParam& other, bool valueOnly) const
{
    const auto* param = dynamic_cast<const VParam*>(&other);
    if (!param || !SameValueState(*param))
        return false;
    return valueOnly || (attributes_.DifferenceMask(param->attributes_) == 0 &&
                         displayAttribute_ == param->displayAttribute_);
}

// Value and attributes change as one: both are applied before the handler is asked about
// either, so a refusal of one puts both back and nothing is notified.
bool VParam::Assign(const IParam& other)
{
    const auto* source = dynamic_cast<const VParam*>(&other);
    if (!source)
        return false;
    if (source == this)
        return true;
    valueUndo_.push_back(ValueSnapshot());
    attributesUndo_.push_back(SnapshotAttributes());
    CopyValueState(*source);
    ReplaceAttributes(source->attributes_);
    if (!ValueChangeAllowed(false, false) || !AttributeChangeAllowed(0))
    {
        RestoreAttributes();
        return RestoreValue();
    }
    displayAttribute_ = source->displayAttribute_;
    defaultValue_ = source->defaultValue_;
    FinishValueChange();
    FinishAttributeChange(0);
    return true;
}

// ---- attribute change protocol ---------------------------------------------------------

std::unique_ptr<VParam::AttributesSnapshot> VParam::SnapshotAttributes() const
{
    auto snapshot = std::make_unique<AttributesSnapshot>();
    snapshot->attributes.CopyFlagsFrom(attributes_);
    for (const Choice& choice : attributes_.choices)
    {
        snapshot->attributes.choices.push_back({choice.name, choice.param->ValueSnapshot()});
        snapshot->choiceObjects.push_back(choice.param.get());
    }
    return snapshot;
}

template <class Change> bool VParam::ChangeAttributes(unsigned extraMask, Change change)
{
    attributesUndo_.push_back(SnapshotAttributes());
    change();
    return CommitAttributeChange(extraMask);
}

bool VParam::CommitAttributeChange(unsigned extraMask)
{
    if (!AttributeChangeAllowed(extraMask))
    {
        RestoreAttributes();
        return false;
    }
    FinishAttributeChange(extraMask);
    return true;
}

unsigned VParam::AttributeChangeMask(unsigned extraMask) const
{
    return attributes_.DifferenceMask(attributesUndo_.back()->attributes) | extraMask;
}

// Only the outermost change is put to the handler, and only when something changed.
bool VParam::AttributeChangeAllowed(unsigned extraMask)
{
    if (attributesUndo_.size() > 1)
        return true;
    const unsigned mask = AttributeChangeMask(extraMask);
    return mask == 0 || !handler_ || handler_->AllowAttributesChange(*this, mask);
}

void VParam::FinishAttributeChange(unsigned extraMask)
{
    const unsigned mask = attributesUndo_.size() == 1 ? AttributeChangeMask(extraMask) : 0;
    if (mask != 0)
        NotifyAttributesChanged(mask);
    EndAttributeLevel();
}

// Puts the snapshot back silently: the flags, and the very choice objects it names, each
// with its value as it was; choices added since are retired.
void VParam::RestoreAttributes()
{
    const AttributesSnapshot& before = *attributesUndo_.back();
    RetireOwnChoices();
    attributes_.CopyFlagsFrom(before.attributes);
    for (std::size_t i = 0; i < before.choiceObjects.size(); ++i)
    {
        const Choice& saved = before.attributes.choices[i];
        std::unique_ptr<VParam> choice = TakeRetiredChoice(before.choiceObjects[i]);
        choice->CopyValueState(*saved.param);
        attributes_.choices.push_back({saved.name, std::move(choice)});
    }
    EndAttributeLevel();
}

void VParam::EndAttributeLevel()
{
    attributesUndo_.pop_back();
    if (attributesUndo_.empty())
        ReleaseRetiredChoices();
}

// Own choices report their value changes to this parameter.
void VParam::AdoptOwnChoices()
{
    for (Choice& choice : attributes_.choices)
        choice.param->handler_ = this;
}

// New choice objects copied from `source`; the present ones are retired.
void VParam::ReplaceAttributes(const Attributes& source)
{
    RetireOwnChoices();
    attributes_ = Attributes(source);
    AdoptOwnChoices();
}

void VParam::RetireOwnChoices()
{
    for (Choice& choice : attributes_.choices)
        retiredChoices_.push_back(std::move(choice));
    attributes_.choices.clear();
}

std::unique_ptr<VParam> VParam::TakeRetiredChoice(const VParam* choice)
{
    const auto found =
        std::find_if(retiredChoices_.begin(), retiredChoices_.end(),
                     [choice](const Choice& retired) { return retired.param.get() == choice; });
    std::unique_ptr<VParam> taken = std::move(found->param);
    retiredChoices_.erase(found);
    return taken;
}

// A retired choice still inside a change of its own (whose veto question retired it) is
// kept until a later change ends, or as long as this parameter.
void VParam::ReleaseRetiredChoices()
{
    retiredChoices_.erase(std::remove_if(retiredChoices_.begin(), retiredChoices_.end(),
                                         [](const Choice& retired)
                                         { return !retired.param->IsChanging(); }),
                          retiredChoices_.end());
}

bool VParam::IsChanging() const
{
    return !valueUndo_.empty() || !attributesUndo_.empty();
}

void VParam::NotifyAttributesChanged(unsigned mask)
{
    NotifyObservers([this, mask](IParamObserver* observer)
                    { observer->OnAttributesChanged(*this, mask); });
}

void VParam::BeginAttributeChange()
{
    attributesUndo_.push_back(SnapshotAttributes());
}

bool VParam::EndAttributeChange()
{
    if (attributesUndo_.empty())
        return false;
    return CommitAttributeChange(0);
}

bool VParam::TouchAttributes()
{
    return ChangeAttributes(ParamAttributeBits::kAll, [] {});
}

bool VParam::SetAttributeFlag(bool Attributes::*flag, bool value)
{
    if (attributes_.*flag == value)
        return true;
    return ChangeAttributes(0, [&] { attributes_.*flag = value; });
}

bool VParam::SetReadOnly(bool readOnly)
{
    return SetAttributeFlag(&Attributes::readOnly, readOnly);
}

bool VParam::IsReadOnly() const
{
    return attributes_.readOnly || (paramList_ && !paramList_->IsEditable());
}

bool VParam::SetFlagB(bool flag)
{
    return SetAttributeFlag(&Attributes::flagB, flag);
}

bool VParam::SetFlagC(bool flag)
{
    return SetAttributeFlag(&Attributes::flagC, flag);
}

bool VParam::SetFlagE(bool flag)
{
    return SetAttributeFlag(&Attributes::flagE, flag);
}

bool VParam::SetRange(bool isRange)
{
    return SetAttributeFlag(&Attributes::isRange, isRange);
}

bool VParam::SetModeFlag(bool flag)
{
    return SetAttributeFlag(&Attributes::modeFlag, flag);
}

bool VParam::AllowValueChange(const IParam& /*choice*/)
{
    return ChangeAttributes(ParamAttributeBits::kChoices, [] {});
}

bool VParam::AllowAttributesChange(const IParam& /*choice*/, unsigned /*mask*/)
{
    return false;
}

bool VParam::SetHandler(IParamHandler* handler)
{
    if (handler_)
        return false;
    handler_ = handler;
    return true;
}

bool VParam::RemoveHandler(IParamHandler* handler)
{
    if (!handler_ || handler_ != handler)
        return false;
    handler_ = nullptr;
    return true;
}

// ---- choices and bounds ----------------------------------------------------------------

const VParam::Choices& VParam::EffectiveChoices() const
{
    return HasOwnChoices() ? attributes_.choices : definition_->GetChildren();
}

bool VParam::IsRange() const
{
    return HasOwnChoices() ? attributes_.isRange : definition_->IsRange();
}

bool VParam::GetModeFlag() const
{
    return HasOwnChoices() ? attributes_.modeFlag : definition_->GetModeFlag();
}

unsigned VParam::GetChoiceCount() const
{
    return static_cast<unsigned>(EffectiveChoices().size());
}

bool VParam::GetChoice(unsigned index, const IParam*& choice, IString& name) const
{
    const Choices& choices = EffectiveChoices();
    if (index >= choices.size())
        return false;
    choice = choices[index].param.get();
    choices[index].name.CopyTo(name);
    return true;
}

const IParam* VParam::FindChoice(const IString& name) const
{
    for (const Choice& choice : EffectiveChoices())
        if (std::strcmp(choice.name.CStr(), name.CStr()) == 0)
            return choice.param.get();
    return nullptr;
}

bool VParam::FindMatchingChoice(unsigned& index, const IParam*& choice) const
{
    const Choices& choices = EffectiveChoices();
    for (std::size_t i = 0; i < choices.size(); ++i)
    {
        if (SameValueState(*choices[i].param))
        {
            index = static_cast<unsigned>(i);
            choice = choices[i].param.get();
            return true;
        }
    }
    return false;
}

bool VParam::SelectChoice(unsigned index, bool respectReadOnly)
{
    const Choices& choices = EffectiveChoices();
    if (index >= choices.size() || !choices[index].param->hasValue_)
        return false;
    return SetValue(*choices[index].param->value_, respectReadOnly);
}

bool VParam::SelectChoice(const IString& name, bool respectReadOnly)
{
    const auto* choice = static_cast<const VParam*>(FindChoice(name));
    if (!choice || !choice->hasValue_)
        return false;
    return SetValue(*choice->value_, respectReadOnly);
}

// Valid unless empty, out of a range's bounds, or not one of the choices.
bool VParam::IsValid() const
{
    if (!hasValue_)
        return false;
    const Choices& choices = EffectiveChoices();
    if (IsRange())
    {
        const auto* min = static_cast<const VParam*>(FindChoice(VStringStd("Min")));
        const auto* max = static_cast<const VParam*>(FindChoice(VStringStd("Max")));
        if (min && min->hasValue_ && value_->IsLessThan(*min->value_))
            return false;
        return !(max && max->hasValue_ && max->value_->IsLessThan(*value_));
    }
    return choices.empty() ||
           std::any_of(choices.begin(), choices.end(),
                       [this](const Choice& c) { return SameValueState(*c.param); });
}

IParam* VParam::AddOwnChoice(const IString& name)
{
    VParam* added = nullptr;
    const bool accepted =
        ChangeAttributes(0,
                         [&]
                         {
                             auto choice = std::make_unique<VParam>(*this);
                             choice->attributes_ = Attributes();
                             choice->handler_ = this;
                             added = choice.get();
                             attributes_.choices.push_back({VStringStd(name), std::move(choice)});
                         });
    return accepted ? added : nullptr;
}

bool VParam::ClearOwnChoices()
{
    if (!HasOwnChoices())
        return true;
    return ChangeAttributes(0, [this] { RetireOwnChoices(); });
}

// ---- observers -------------------------------------------------------------------------

bool VParam::AddObserver(IParamObserver* observer, bool notifyNow)
{
    if (!InsertObserver(observer))
        return false;
    observer->OnObserving(*this);
    if (notifyNow)
    {
        observer->OnValueChanged(*this);
        observer->OnAttributesChanged(*this, ParamAttributeBits::kAll);
    }
    return true;
}

bool VParam::RemoveObserver(IParamObserver* observer)
{
    if (!EraseObserver(observer))
        return false;
    observer->OnStopObserving(*this);
    return true;
}
