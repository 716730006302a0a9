#include "devices/camera/CameraParameters.h"

#include "devices/FakeDeviceParameters.h"
#include "devices/camera/CameraTypes.h"
#include "params/ParamObjectTypes.h"

#include <string>

namespace CameraParameters
{
namespace
{
using FakeDeviceParameters::Add;
using FakeDeviceParameters::AddChild;
using FakeDeviceParameters::kFlagB;
using FakeDeviceParameters::kFlagC;
using FakeDeviceParameters::kNone;
using FakeDeviceParameters::kReadOnly;

VParamObjectText Text(const char* text)
{
    return VParamObjectText(VStringStd(text));
}

void AddRange(IParamDefinition& definition, int min, int max)
{
    definition.SetRange(true);
    AddChild(definition, "Min", VParamObjectInt(min));
    AddChild(definition, "Max", VParamObjectInt(max));
}

// Choices whose names are their values.
void AddTextChoices(IParamDefinition& definition, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        AddChild(definition, name, Text(name));
}

void DefineDeviceTypeChoices(IParamDefinitionList& definitions)
{
    IParamDefinition* type = definitions.FindDefinition(VStringStd("DeviceType"));
    for (const std::string& name : CameraTypes::ChoiceNames())
        AddChild(*type, name.c_str(), Text(name.c_str()));
    type->GetPrototype().SetValue(Text(CameraTypes::kDefaultType), false);
}

void DefineTypeProperties(IParamDefinitionList& definitions)
{
    const auto integer = [&](const char* name, const char* display, const char* description,
                             unsigned flags) {
        Add(definitions, {name, display, description, "Camera", flags}, VParamObjectInt(0));
    };
    const auto flag = [&](const char* name, const char* display, const char* description) {
        Add(definitions, {name, display, description, "Camera", kFlagB}, VParamObjectBool(false));
    };
    integer("ProtocolVersion", "Protocol Version", "Protocol version.", kFlagB);
    flag("SupportsCentroids", "Supports Centroids", "Supports centroids.");
    flag("SupportsGreyscale", "Supports Greyscale", "Supports Greyscale.");
    flag("SupportsVideo", "Supports Video", "Supports Video.");
    Add(definitions, {"SensorType", "Sensor Type", "Sensor type.", "Camera", kFlagC | kReadOnly},
        Text(""));
    integer("SensorWidth", "Sensor Width", "Width of the sensor, in pixels.", kNone);
    integer("SensorHeight", "Sensor Height", "Height of the sensor, in pixels.", kNone);
    integer("FineThresholdGridWidth", "Fine Threshold Grid Width",
            "Width of the fine threshold grid, in tiles.", kNone);
    integer("FineThresholdGridHeight", "Fine Threshold Grid Height",
            "Height of the fine threshold grid, in tiles.", kNone);
    integer("FineThresholdGridTileWidth", "Fine Threshold Grid Tile Width",
            "Width of a fine threshold grid tile, in pixels.", kNone);
    integer("FineThresholdGridTileHeight", "Fine Threshold Grid Tile Height",
            "Height of a fine threshold grid tile, in pixels.", kNone);
}

void DefineLevels(IParamDefinitionList& definitions)
{
    const auto level = [&](const char* name, const char* display, const char* description,
                           int value, unsigned flags)
    {
        return &Add(definitions, {name, display, description, "Camera", flags},
                    VParamObjectInt(value));
    };
    AddRange(*level("Gain", "Gain", "Gain", 1, kNone), 1, 8);
    AddRange(*level("MinRatio", "Minimum ratio", "MinRatio", 0, kNone), 0, 4096);
    level("MaxStrobe", "Maximum Strobe", "Maximum level of the strobe.", 1000, kFlagC);
    level("MinStrobe", "Minimum Strobe", "Minimum level of the strobe.", 0, kFlagC);
    level("Strobe", "Strobe", "Level of the strobe.", 500, kNone);
    IParamDefinition& strobeType =
        Add(definitions, {"StrobeType", "Strobe type", "Type of the strobe.", "Camera", kFlagC},
            Text("Visible"));
    AddTextChoices(strobeType, {"No Strobe", "Visible", "Near IR", "IR"});
    level("MaxThreshold", "Maximum Threshold", "Maximum level of the threshold.", 255, kFlagC);
    level("MinThreshold", "Minimum Threshold", "Minimum level of the threshold.", 0, kFlagC);
    level("Threshold", "Threshold", "Thresholding level.", 128, kNone);
}

void DefineModes(IParamDefinitionList& definitions)
{
    Add(definitions,
        {"PreviewMode", "Preview Mode", "Defines whether the camera is sending preview data.",
         "Camera", kFlagC | kReadOnly},
        VParamObjectBool(false));
    IParamDefinition& tracking =
        Add(definitions, {"Tracking", "Tracking", "Tracking mode", "Camera", kNone}, Text("Off"));
    AddTextChoices(tracking, {"Off", "Generate", "Read"});
}

void DefineLeds(IParamDefinitionList& definitions)
{
    for (int led = 0; led < 4; ++led)
    {
        const std::string name = "LED" + std::to_string(led);
        const std::string display = "LED " + std::to_string(led);
        const std::string description = "Status of strobe LED " + std::to_string(led) + ".";
        IParamDefinition& definition =
            Add(definitions, {name.c_str(), display.c_str(), description.c_str(), "LEDs", kNone},
                Text("off"));
        AddChild(definition, "On", Text("on"));
        AddChild(definition, "Off", Text("off"));
        for (int pulse = 0; pulse < 10; ++pulse)
            AddChild(definition, ("Pulse " + std::to_string(pulse)).c_str(),
                     Text(("p" + std::to_string(pulse)).c_str()));
    }
}

void DefineEncodings(IParamDefinitionList& definitions)
{
    for (const auto& [name, display, description] :
         {std::tuple{"GreyMode", "Grey Mode", "Generation of centroids/blobs"},
          std::tuple{"CoordMode", "Coord Mode", "Generation of edges"}})
    {
        IParamDefinition& mode =
            Add(definitions, {name, display, description, "Encodings", kNone}, Text("all"));
        AddChild(mode, "None", Text("none"));
        AddChild(mode, "Some", Text("some"));
        AddChild(mode, "Only", Text("only"));
        AddChild(mode, "All", Text("all"));
    }
    Add(definitions,
        {"MaxPixelsPerLine", "MaxPixelsPerLine", "Generation of edges", "Encodings", kNone},
        VParamObjectInt(0));
    Add(definitions,
        {"PacketSize", "Packet Size",
         "Maximum packet size in bytes. Protocol 2 (Pellar/Sorrel) only.", "Camera",
         kFlagC | kReadOnly},
        VParamObjectInt(0));
}
} // namespace

void Define(IParamDefinitionList& definitions)
{
    FakeDeviceParameters::Define(definitions);
    DefineDeviceTypeChoices(definitions);
    DefineTypeProperties(definitions);
    DefineLevels(definitions);
    DefineModes(definitions);
    DefineLeds(definitions);
    DefineEncodings(definitions);
}
} // namespace CameraParameters
