#include "devices/DefinitionRegistry.h"

VDefinitionRegistry::VDefinitionRegistry(std::string name, Define define)
    : name_(std::move(name)), define_(define)
{
}

IParamDefinitionList& VDefinitionRegistry::Get()
{
    if (!definitions_)
    {
        const VStringStd name(name_);
        definitions_ = std::make_unique<VParamDefinitionList>(name, name, VStringStd(""),
                                                              VStringStd("Device"));
        define_(*definitions_);
    }
    return *definitions_;
}

void VDefinitionRegistry::Release()
{
    definitions_.reset();
}
