#include "cgstream/FakeLumeCGClient.h"

#include "Framework/EventSystem/Invoke.h"
#include "params/ParamDefinitionList.h"
#include "params/ParamObjectTypes.h"

using namespace SarnetCGStream;

namespace
{
struct Definition
{
    const char* name;
    const char* displayName;
    const char* description;
    const char* group;
};

void Add(IParamDefinitionList& definitions, const Definition& definition,
         const IParamObject& prototype)
{
    definitions.AddDefinition(VStringStd(definition.name), VStringStd(definition.displayName),
                              VStringStd(definition.description), VStringStd(definition.group),
                              prototype);
}

void Define(IParamDefinitionList& definitions)
{
    Add(definitions,
        {"Connected", "Connected", "Defines whether the CG client is connected.", "Connection"},
        VParamObjectBool(false));
    Add(definitions, {"Host", "Host", "Host name to connect to.", "Connection"},
        VParamObjectText(VStringStd("localhost")));
    Add(definitions, {"Port", "Port", "Port to connect on.", "Connection"},
        VParamObjectUnsigned(801));
    Add(definitions, {"Clear", "Clear", "Clear timing.", "Timing"}, VParamObjectBool(false));
    Add(definitions, {"Export", "Export", "Export latency info.", "Timing"},
        VParamObjectBool(false));
    Add(definitions, {"File", "File", "File to export latency info.", "Timing"},
        VParamObjectText(VStringStd("C:\\Latency.csv")));
}

// Shared by every client of the process; made on the main thread with the first client.
IParamDefinitionList& CGClientDefinitions()
{
    static VParamDefinitionList definitions(VStringStd("CGClient"),
                                            VStringStd("CG client parameters"),
                                            VStringStd("Description"), VStringStd("General"));
    [[maybe_unused]] static const bool defined = [] { return Define(definitions), true; }();
    return definitions;
}

bool IsSet(const IParam& param)
{
    bool value = false;
    return GetParamValue(param, value) && value;
}
} // namespace

void VFakeLumeCGClientCallback::OnFrame(std::shared_ptr<const VFrameBundle> bundle)
{
    client_.RecordReceived(bundle->frameNumber);
}

void VFakeLumeCGClientCallback::OnDisconnected()
{
    client_.OnStreamEnded();
}

VFakeLumeCGClient::VFakeLumeCGClient(IEventManager& eventManager, VLatencyRecorder::Clock clock)
    : eventManager_(eventManager), latency_(std::move(clock)),
      paramList_(
          CGClientDefinitions().CreateParamList(VStringStd("CG Client 1"), VStringStd(""), this)),
      callback_(std::make_shared<VFakeLumeCGClientCallback>(*this)),
      streamClient_(std::make_unique<VSarnetCGStreamClient>(callback_))
{
}

// The session ends before anything it calls into goes.
VFakeLumeCGClient::~VFakeLumeCGClient()
{
    streamClient_->Disconnect();
}

bool VFakeLumeCGClient::AllowParamValueChange(const IParamList& /*list*/, const IParam& param)
{
    VStringStd name;
    param.GetName(name);
    if (name.Str() == "Connected")
        OnConnectedChanged(param);
    else if (name.Str() == "Export" && IsSet(param))
        OnExport();
    else if (name.Str() == "Clear" && IsSet(param))
        OnClear();
    return true;
}

// Switching off ends the session; switching on while a session runs changes nothing.
void VFakeLumeCGClient::OnConnectedChanged(const IParam& connected)
{
    if (!IsSet(connected))
        return streamClient_->Disconnect();
    streamClient_->SetRequestedTypes({kStreamInfo, kFrameInfo});
    streamClient_->Connect(Read<VStringStd>("Host").Str(),
                           static_cast<std::uint16_t>(Read<unsigned>("Port")));
}

void VFakeLumeCGClient::OnExport()
{
    latency_.Export(Read<VStringStd>("File").Str());
    SetFlag("Export", false);
}

void VFakeLumeCGClient::OnClear()
{
    latency_.Clear();
    SetFlag("Clear", false);
}

void VFakeLumeCGClient::SetFlag(const char* name, bool value)
{
    if (IParam* param = paramList_->FindParam(VStringStd(name)))
        SetParamValue(*param, value, false);
}

template <class T> T VFakeLumeCGClient::Read(const char* name) const
{
    T value{};
    if (const IParam* param = std::as_const(*paramList_).FindParam(VStringStd(name)))
        GetParamValue(*param, value);
    return value;
}

// Queued, since the stream reports from its receive thread; a client destroyed meanwhile
// does not act.
void VFakeLumeCGClient::OnStreamEnded()
{
    EventSystem::Invoke(eventManager_,
                        [weakSelf = weak_from_this()]
                        {
                            const auto self = weakSelf.lock();
                            if (self && !self->streamClient_->IsRunning())
                                self->SetFlag("Connected", false);
                        });
}
