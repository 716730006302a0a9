#pragma once
// The description of one parameter of a device type: names, group, prototype value (its
// value is the default), flags given to every parameter made from it, and optional
// children used as range bounds ("Min", "Max") or as named choices.
//
// Thread rules: thread-bound; built once while its definition list is open.

#include "params/Param.h"

#include <memory>
#include <string>
#include <vector>

class IParamDefinition
{
public:
    virtual const IParam& GetPrototype() const = 0;
    virtual IParam& GetPrototype() = 0;
    virtual void SetFlagC(bool flag) = 0;
    virtual void SetReadOnly(bool readOnly) = 0;
    virtual void SetFlagE(bool flag) = 0;
    virtual void SetFlagB(bool flag) = 0;
    virtual void SetDisplayAttribute(int value) = 0;
    virtual void SetExtraSetting(int value) = 0;
    virtual void SetRange(bool isRange) = 0;
    virtual void SetModeFlag(bool flag) = 0;
    // A new child, a copy of the prototype, for its value to be set; none when `name` is
    // not empty and already used.
    virtual IParam* AddChild() = 0;
    virtual IParam* AddChild(const IString& name) = 0;
    virtual bool RemoveChild(const IString& name) = 0;
    virtual bool RenameChild(const IString& oldName, const IString& newName) = 0;
    virtual bool GetFlagC() const = 0;
    virtual bool IsReadOnly() const = 0;
    virtual bool GetFlagE() const = 0;
    virtual bool GetFlagB() const = 0;
    virtual int GetExtraSetting() const = 0;
    virtual bool IsRange() const = 0;
    virtual bool GetModeFlag() const = 0;
    virtual ~IParamDefinition() = default;
    virtual int GetDisplayAttribute() const = 0;
};

class VParamDefinition : public IParamDefinition
{
public:
    // Takes ownership of `semanticType`; none means the null semantic type.
    VParamDefinition(const IString& name, const IString& displayName, const IString& description,
                     const IString& group, const IParamObject& prototype,
                     ISemanticType* semanticType);
    ~VParamDefinition() override;
    VParamDefinition(const VParamDefinition&) = delete;
    VParamDefinition& operator=(const VParamDefinition&) = delete;

    const IParam& GetPrototype() const override { return prototype_; }
    IParam& GetPrototype() override { return prototype_; }
    void SetFlagC(bool flag) override { flagC_ = flag; }
    void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }
    void SetFlagE(bool flag) override { flagE_ = flag; }
    void SetFlagB(bool flag) override { flagB_ = flag; }
    void SetDisplayAttribute(int value) override { displayAttribute_ = value; }
    void SetExtraSetting(int value) override { extraSetting_ = value; }
    void SetRange(bool isRange) override { isRange_ = isRange; }
    void SetModeFlag(bool flag) override { modeFlag_ = flag; }
    IParam* AddChild() override;
    IParam* AddChild(const IString& name) override;
    bool RemoveChild(const IString& name) override;
    bool RenameChild(const IString& oldName, const IString& newName) override;
    bool GetFlagC() const override { return flagC_; }
    bool IsReadOnly() const override { return readOnly_; }
    bool GetFlagE() const override { return flagE_; }
    bool GetFlagB() const override { return flagB_; }
    int GetExtraSetting() const override { return extraSetting_; }
    bool IsRange() const override { return isRange_; }
    bool GetModeFlag() const override { return modeFlag_; }
    int GetDisplayAttribute() const override { return displayAttribute_; }

    const VStringStd& GetName() const { return name_; }
    const VStringStd& GetDisplayName() const { return displayName_; }
    const VStringStd& GetDescription() const { return description_; }
    const VStringStd& GetGroup() const { return group_; }
    const ISemanticType& GetSemanticType() const { return *semanticType_; }
    const VParam::Choices& GetChildren() const { return children_; }
    // A parameter of this definition: a copy of the prototype given its flags.
    std::unique_ptr<VParam> CreateParam() const;

private:
    VParam::Choices::iterator FindChild(const IString& name);

    const VStringStd name_;
    const VStringStd displayName_;
    const VStringStd description_;
    const VStringStd group_;
    const std::unique_ptr<ISemanticType> semanticType_;
    VParam prototype_;
    bool flagC_ = false;
    bool readOnly_ = false;
    bool flagB_ = false;
    bool flagE_ = false;
    int displayAttribute_ = 0;
    int extraSetting_ = 0;
    VParam::Choices children_;
    bool isRange_ = false;
    bool modeFlag_ = true;
};
