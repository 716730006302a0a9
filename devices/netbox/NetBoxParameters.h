#pragma once
// The parameters of every network box and the names of its slot parameters: the base ones,
// the general-purpose inputs and outputs (4 outputs), "Gridlark" as the type, then the
// analogue clock output, control card 0 and slot 0 with its 64 channels; the recorded
// timecode box and the synthetic box append their own.
//
// Thread rules: thread-bound to the thread that builds the definition lists (the main
// thread); the name functions are reentrant.

#include "params/ParamDefinitionList.h"

#include <string>

namespace NetBoxParameters
{
constexpr int kOutputs = 4;
constexpr int kChannels = 64;
constexpr double kMasterClockHz = 135000000.0;

void Define(IParamDefinitionList& definitions);
// Define() and the timecode parameters of a box made from an X2D file.
void DefineTimecodeBox(IParamDefinitionList& definitions);
// Define() and the test-signal frequency of a synthetic box.
void DefineSynthBox(IParamDefinitionList& definitions);

// "AnalogueSlot" + slot + name, "AnalogueSlot" + slot + "Channel" + channel + name and
// "Card" + slot + "Type".
std::string SlotName(int slot, const char* name);
std::string ChannelName(int slot, int channel, const char* name);
std::string CardTypeName(int slot);
} // namespace NetBoxParameters
