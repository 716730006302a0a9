#include "params/ParamDefinition.h"

#include <algorithm>
#include <cstring>

VParamDefinition::VParamDefinition(const IString& name, const IString& displayName,
                                   const IString& description, const IString& group,
                                   const IParamObject& prototype, ISemanticType* semanticType)
    : name_(name), displayName_(displayName), description_(description), group_(group),
      semanticType_(semanticType ? semanticType : new ISemanticTypeNull),
      prototype_(*this, prototype)
{
}

VParamDefinition::~VParamDefinition() = default;

std::unique_ptr<VParam> VParamDefinition::CreateParam() const
{
    auto param = std::make_unique<VParam>(prototype_);
    param->SetReadOnly(readOnly_);
    param->SetFlagE(flagE_);
    param->SetFlagB(flagB_);
    param->SetFlagC(flagC_);
    param->SetDisplayAttribute(displayAttribute_);
    return param;
}

VParam::Choices::iterator VParamDefinition::FindChild(const IString& name)
{
    return std::find_if(children_.begin(), children_.end(),
                        [&](const VParam::Choice& child)
                        { return std::strcmp(child.name.CStr(), name.CStr()) == 0; });
}

IParam* VParamDefinition::AddChild()
{
    return AddChild(VStringStd());
}

IParam* VParamDefinition::AddChild(const IString& name)
{
    if (name.CStr()[0] != '\0' && FindChild(name) != children_.end())
        return nullptr;
    children_.push_back({VStringStd(name), std::make_unique<VParam>(prototype_)});
    return children_.back().param.get();
}

bool VParamDefinition::RemoveChild(const IString& name)
{
    const auto child = FindChild(name);
    if (child == children_.end())
        return false;
    children_.erase(child);
    return true;
}

bool VParamDefinition::RenameChild(const IString& oldName, const IString& newName)
{
    const auto child = FindChild(oldName);
    if (child == children_.end() || FindChild(newName) != children_.end())
        return false;
    child->name = VStringStd(newName);
    return true;
}
