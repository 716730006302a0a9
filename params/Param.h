#pragma once
// One named, typed, observable value of a device: frame rate, sync mode, enabled flags...
// A parameter is made from its definition, may be empty, has attributes (read-only and
// three further flags), a default, and optionally a range ("Min"/"Max" children) or named
// choices. Every change runs a protocol: snapshot, apply, then on the outermost change only
// check read-only and the handler's veto and notify the observers, or restore silently. A
// refused change leaves the parameter exactly as it was, its own choice objects included.
//
// Thread rules: thread-bound. A parameter, its observers and its handler are used from one
// thread at a time (the main thread in the emulator); no locks.

#include "params/Destroyable.h"
#include "params/Observed.h"
#include "params/ParamObject.h"
#include "params/ParamObserver.h"
#include "params/SemanticType.h"
#include "params/String.h"
#include "params/Vector.h"

#include <deque>
#include <memory>
#include <vector>

class IParamList;
class IParamDefinition;
class VParamDefinition;

class IParam
{
public:
    virtual const IParamList* GetParamList() const = 0;
    virtual IParamList* GetParamList() = 0;
    virtual void GetName(IString& out) const = 0;
    virtual void GetDisplayName(IString& out) const = 0;
    virtual void GetDescription(IString& out) const = 0;
    virtual void GetGroup(IString& out) const = 0;
    virtual const IDestroyable* GetSemanticValue() const = 0;
    virtual IDestroyable* GetSemanticValue() = 0;
    virtual bool HasValue() const = 0;
    virtual bool ClearValue(bool respectReadOnly) = 0;
    // False when empty.
    virtual bool GetValueAsString(IString& out) const = 0;
    virtual bool SetValueFromString(const IString& text, bool respectReadOnly) = 0;
    virtual bool HasDefault() const = 0;
    // Copies the default value; false when it is refused or of another value type.
    virtual bool ResetToDefault(bool respectReadOnly) = 0;
    virtual bool IsDefault() const = 0;
    virtual void ClearDefault() = 0;
    // Macros: no definition list of this system has a macro provider, so there are none.
    virtual unsigned GetMacroCount() const = 0;
    virtual bool GetMacroName(unsigned index, IString& out) const = 0;
    virtual bool GetCurrentMacroName(IString& out) const = 0;
    virtual bool HasMacro(const IString& name) const = 0;
    virtual bool SetMacro(const IString& name, bool respectReadOnly) = 0;
    virtual bool DetachMacro(bool respectReadOnly) = 0;
    virtual bool IsValid() const = 0;
    virtual bool IsSameDefinition(const IParam& other) const = 0;
    // Copies value, attributes, display attribute and default, all or nothing.
    virtual bool Assign(const IParam& other) = 0;
    virtual bool IsEqual(const IParam& other) const = 0;
    // Brackets several attribute changes into one notification with the combined mask.
    virtual void BeginAttributeChange() = 0;
    virtual bool EndAttributeChange() = 0;
    virtual bool SetReadOnly(bool readOnly) = 0;
    // Also true while the owning list is not editable.
    virtual bool IsReadOnly() const = 0;
    virtual bool SetFlagB(bool flag) = 0;
    virtual bool GetFlagB() const = 0;
    virtual void SetDisplayAttribute(int value) = 0;
    virtual int GetDisplayAttribute() const = 0;
    virtual bool SetFlagC(bool flag) = 0;
    virtual bool GetFlagC() const = 0;
    virtual bool SetFlagE(bool flag) = 0;
    virtual bool GetFlagE() const = 0;
    virtual unsigned GetChoiceCount() const = 0;
    virtual bool GetChoice(unsigned index, const IParam*& choice, IString& name) const = 0;
    virtual const IParam* FindChoice(const IString& name) const = 0;
    // The first choice whose value equals the current value.
    virtual bool FindMatchingChoice(unsigned& index, const IParam*& choice) const = 0;
    virtual bool IsRange() const = 0;
    virtual bool GetModeFlag() const = 0;
    virtual bool HasOwnChoices() const = 0;
    virtual bool SelectChoice(const IString& name, bool respectReadOnly) = 0;
    virtual bool SelectChoice(unsigned index, bool respectReadOnly) = 0;
    virtual bool SetRange(bool isRange) = 0;
    virtual bool SetModeFlag(bool flag) = 0;
    virtual bool ClearOwnChoices() = 0;
    // The new choice, a copy of the current value, or none when the change was refused. It
    // stays the same object until the own choices are cleared or replaced by an Assign.
    virtual IParam* AddOwnChoice(const IString& name) = 0;
    virtual void GetNote(IString& out) const = 0;
    virtual bool HasNote() const = 0;
    // While a change is in progress: the values as they were before it (oldest first).
    virtual bool GetValueSnapshots(IVector<const IParam*>& out) const = 0;
    virtual const IParam* GetLastSnapshot() const = 0;
    virtual void QueueValue(const IParamObject& value) = 0;
    // The oldest queued value, or an empty handle.
    virtual VDestroyableHandle<IParamObject> DequeueValue() = 0;
    virtual bool SetHandler(IParamHandler* handler) = 0;
    virtual bool RemoveHandler(IParamHandler* handler) = 0;
    virtual bool Validate() = 0;
    virtual bool TouchAttributes() = 0;
    virtual const IParamDefinition& GetDefinition() const = 0;
    virtual const ISemanticType& GetSemanticType() const = 0;
    virtual bool AddObserver(IParamObserver* observer, bool notifyNow) = 0;
    virtual bool RemoveObserver(IParamObserver* observer) = 0;
    virtual const IParamObject* GetValueConst() const = 0;
    virtual IParamObject* GetValue() = 0;
    virtual bool SetValue(const IParamObject& value, bool respectReadOnly) = 0;
    virtual void SetDefault(const IParamObject& value) = 0;
    virtual ~IParam() = default;
};

class VParam : public IParam, public VObservedHelper<IParam, IParamObserver>, public IParamHandler
{
public:
    struct Choice;
    using Choices = std::vector<Choice>;

    struct Attributes
    {
        bool readOnly = false;
        bool flagB = false;
        bool flagE = false;
        bool flagC = false;
        // Own choices, overriding the definition's children while non-empty.
        Choices choices;
        bool isRange = false;
        bool modeFlag = true;

        Attributes() = default;
        // A copy with choice objects of its own.
        Attributes(const Attributes& other);
        Attributes(Attributes&&) = default;
        Attributes& operator=(const Attributes&) = delete;
        Attributes& operator=(Attributes&&) = default;
        ~Attributes();
        // The change bits (ParamAttributeBits) of every difference from `other`.
        unsigned DifferenceMask(const Attributes& other) const;
        // Everything but the choices.
        void CopyFlagsFrom(const Attributes& other);
    };

    // A parameter of `definition` holding a copy of `value`.
    VParam(const VParamDefinition& definition, const IParamObject& value);
    // Copies definition, value state, attributes and default; not the list, observers,
    // handler, note or value queue.
    VParam(const VParam& other);
    VParam& operator=(const VParam&) = delete;
    ~VParam() override;

    const IParamList* GetParamList() const override { return paramList_; }
    IParamList* GetParamList() override { return paramList_; }
    void GetName(IString& out) const override;
    void GetDisplayName(IString& out) const override;
    void GetDescription(IString& out) const override;
    void GetGroup(IString& out) const override;
    const IDestroyable* GetSemanticValue() const override { return semanticValue_.get(); }
    IDestroyable* GetSemanticValue() override { return semanticValue_.get(); }
    bool HasValue() const override { return hasValue_; }
    bool ClearValue(bool respectReadOnly) override;
    bool GetValueAsString(IString& out) const override;
    bool SetValueFromString(const IString& text, bool respectReadOnly) override;
    bool HasDefault() const override { return true; }
    bool ResetToDefault(bool respectReadOnly) override;
    bool IsDefault() const override;
    void ClearDefault() override { defaultValue_.reset(); }
    unsigned GetMacroCount() const override { return 0; }
    bool GetMacroName(unsigned index, IString& out) const override;
    bool GetCurrentMacroName(IString& out) const override;
    bool HasMacro(const IString& name) const override;
    bool SetMacro(const IString& name, bool respectReadOnly) override;
    bool DetachMacro(bool respectReadOnly) override;
    bool IsValid() const override;
    bool IsSameDefinition(const IParam& other) const override;
    bool Assign(const IParam& other) override;
    bool IsEqual(const IParam& other) const override { return IsEqualTo(other, false); }
    void BeginAttributeChange() override;
    bool EndAttributeChange() override;
    bool SetReadOnly(bool readOnly) override;
    bool IsReadOnly() const override;
    bool SetFlagB(bool flag) override;
    bool GetFlagB() const override { return attributes_.flagB; }
    void SetDisplayAttribute(int value) override { displayAttribute_ = value; }
    int GetDisplayAttribute() const override { return displayAttribute_; }
    bool SetFlagC(bool flag) override;
    bool GetFlagC() const override { return attributes_.flagC; }
    bool SetFlagE(bool flag) override;
    bool GetFlagE() const override { return attributes_.flagE; }
    unsigned GetChoiceCount() const override;
    bool GetChoice(unsigned index, const IParam*& choice, IString& name) const override;
    const IParam* FindChoice(const IString& name) const override;
    bool FindMatchingChoice(unsigned& index, const IParam*& choice) const override;
    bool IsRange() const override;
    bool GetModeFlag() const override;
    bool HasOwnChoices() const override { return !attributes_.choices.empty(); }
    bool SelectChoice(const IString& name, bool respectReadOnly) override;
    bool SelectChoice(unsigned index, bool respectReadOnly) override;
    bool SetRange(bool isRange) override;
    bool SetModeFlag(bool flag) override;
    bool ClearOwnChoices() override;
    IParam* AddOwnChoice(const IString& name) override;
    void GetNote(IString& out) const override { note_.CopyTo(out); }
    bool HasNote() const override { return !note_.Str().empty(); }
    bool GetValueSnapshots(IVector<const IParam*>& out) const override;
    const IParam* GetLastSnapshot() const override;
    void QueueValue(const IParamObject& value) override;
    VDestroyableHandle<IParamObject> DequeueValue() override;
    bool SetHandler(IParamHandler* handler) override;
    bool RemoveHandler(IParamHandler* handler) override;
    bool Validate() override;
    bool TouchAttributes() override;
    const IParamDefinition& GetDefinition() const override;
    const ISemanticType& GetSemanticType() const override { return semanticType_; }
    bool AddObserver(IParamObserver* observer, bool notifyNow) override;
    bool RemoveObserver(IParamObserver* observer) override;
    const IParamObject* GetValueConst() const override;
    IParamObject* GetValue() override;
    bool SetValue(const IParamObject& value, bool respectReadOnly) override;
    void SetDefault(const IParamObject& value) override;

    // Set by the owning list when the parameter is added to it.
    virtual void SetParamList(IParamList* list) { paramList_ = list; }
    // Equal value state and, unless `valueOnly`, equal attributes and display attribute.
    virtual bool IsEqualTo(const IParam& other, bool valueOnly) const;

    // The name without a copy, for lookups.
    const VStringStd& Name() const;
    // Tells every observer that attributes in `mask` may have changed, without a
    // protocol: a list uses it when its editable state changes the parameters' read-only.
    void NotifyAttributesChanged(unsigned mask);

    // As a parent of its own choices: a change of a choice's value is a change of this
    // parameter's choices; a choice's attributes may not change.
    bool AllowValueChange(const IParam& choice) override;
    bool AllowAttributesChange(const IParam& choice, unsigned mask) override;

private:
    using OwnedValue = std::unique_ptr<IParamObject, DestroyDeleter>;
    struct ValueStateOnly
    {
    };
    struct AttributesSnapshot;

    VParam(const VParam& other, ValueStateOnly);
    std::unique_ptr<VParam> ValueSnapshot() const;

    template <class Change>
    bool ChangeValue(bool respectReadOnly, bool forceConfirm, Change change);
    bool ValueChangeAllowed(bool respectReadOnly, bool forceConfirm);
    void FinishValueChange();
    bool RestoreValue();
    bool SameValueState(const VParam& other) const;
    void CopyValueState(const VParam& from);
    void NotifyValueChanged();
    std::unique_ptr<AttributesSnapshot> SnapshotAttributes() const;
    template <class Change> bool ChangeAttributes(unsigned extraMask, Change change);
    bool CommitAttributeChange(unsigned extraMask);
    unsigned AttributeChangeMask(unsigned extraMask) const;
    bool AttributeChangeAllowed(unsigned extraMask);
    void FinishAttributeChange(unsigned extraMask);
    void RestoreAttributes();
    void EndAttributeLevel();
    bool SetAttributeFlag(bool Attributes::*flag, bool value);
    void ReplaceAttributes(const Attributes& source);
    void AdoptOwnChoices();
    void RetireOwnChoices();
    std::unique_ptr<VParam> TakeRetiredChoice(const VParam* choice);
    void ReleaseRetiredChoices();
    bool IsChanging() const;
    const Choices& EffectiveChoices() const;
    const VParam& DefaultParam() const;

    bool hasValue_ = true;
    OwnedValue value_;
    IParamList* paramList_ = nullptr;
    const VParamDefinition* definition_;
    std::vector<std::unique_ptr<VParam>> valueUndo_;
    IParamHandler* handler_ = nullptr;
    const ISemanticType& semanticType_;
    Attributes attributes_;
    std::vector<std::unique_ptr<AttributesSnapshot>> attributesUndo_;
    // Own choices taken out during an attribute change: a refused change puts these very
    // objects back; they are freed when the outermost change ends.
    Choices retiredChoices_;
    std::unique_ptr<IDestroyable, DestroyDeleter> semanticValue_;
    std::shared_ptr<VParam> defaultValue_;
    VStringStd note_;
    int displayAttribute_ = 0;
    std::deque<OwnedValue> valueQueue_;
};

struct VParam::Choice
{
    VStringStd name;
    std::unique_ptr<VParam> param;
};

// What a refused attribute change puts back: the flags and, for each own choice, its name,
// the object itself (owned by the parameter, never replaced by a copy) and its value.
struct VParam::AttributesSnapshot
{
    // The choices here are value-only copies, for comparing and restoring values.
    Attributes attributes;
    std::vector<const VParam*> choiceObjects;
};

// Typed access used by device code: false, with `value` untouched, when the parameter is
// empty or its value object does not hold a T.
template <class T> bool GetParamValue(const IParam& param, T& value)
{
    if (!param.HasValue())
        return false;
    const auto* typed = dynamic_cast<const ITypedParamObject<T>*>(param.GetValueConst());
    if (!typed)
        return false;
    typed->Get(value);
    return true;
}

// Sets a copy of the current value object holding `value`; false when the parameter
// does not hold a T or the change is refused.
template <class T> bool SetParamValue(IParam& param, const T& value, bool respectReadOnly)
{
    const IParamObject* current = param.GetValueConst();
    if (!current)
        return false;
    std::unique_ptr<IParamObject, DestroyDeleter> copy(current->Clone());
    auto* typed = dynamic_cast<ITypedParamObject<T>*>(copy.get());
    if (!typed)
        return false;
    typed->Set(value);
    return param.SetValue(*copy, respectReadOnly);
}
