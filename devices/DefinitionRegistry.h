#pragma once
// The parameter definitions of one device class, shared by every device of that class in
// the process: made at start-up (or on first use) and released at shut-down, once the last
// device of the class is gone.
//
// Thread rules: thread-bound to the main thread, which builds the definitions and creates
// the devices.

#include "params/ParamDefinitionList.h"

#include <memory>
#include <string>

class VDefinitionRegistry
{
public:
    using Define = void (*)(IParamDefinitionList& definitions);

    VDefinitionRegistry(std::string name, Define define);

    // The definitions, made on first use.
    IParamDefinitionList& Get();
    // Forgets the definitions; the next Get() makes them anew.
    void Release();

private:
    const std::string name_;
    const Define define_;
    std::unique_ptr<VParamDefinitionList> definitions_;
};
