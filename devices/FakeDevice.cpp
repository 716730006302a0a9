#include "devices/FakeDevice.h"

#include "Framework/EventSystem/Invoke.h"
#include "devices/BroadcastCommand.h"
#include "devices/CommandText.h"
#include "devices/DeviceTelnetConnection.h"
#include "devices/FakeDeviceManager.h"
#include "devices/FakeDeviceParameters.h"
#include "devices/FramePacer.h"
#include "devices/StatusPackets.h"
#include "net/ByteOrder.h"
#include "net/NetAddress.h"
#include "net/ThreadName.h"
#include "params/ParamDefinitionList.h"
#include "params/ParamObjectTypes.h"

#include <algorithm>
#include <arpa/inet.h>
#include <boost/asio/steady_timer.hpp>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sstream>
#include <thread>

using FakeDeviceParameters::SyncMode;

// The master's frame clock: runs DoSyncFrame() until stopped; stopping wakes a pacing wait
// at once and waits for the frame in progress (and with it every other device's step).
class VFakeDevice::VSyncThread
{
public:
    explicit VSyncThread(VFakeDevice& device) : device_(device), thread_([this] { Run(); }) {}
    ~VSyncThread()
    {
        pacer_.Stop();
        thread_.join();
    }

private:
    void Run()
    {
        NotificationSystem::NameCurrentThread("Sync " + std::to_string(device_.GetPort()));
        VFramePacer::TightenWakeUps();
        while (!pacer_.IsStopped())
            device_.DoSyncFrame(pacer_);
    }

    VFakeDevice& device_;
    VFramePacer pacer_;
    std::thread thread_;
};

namespace
{
long SecondsSince1970()
{
    return static_cast<long>(std::time(nullptr));
}

std::string DottedText(std::uint32_t networkOrderAddress)
{
    return ToString(VNetAddress(ntohl(networkOrderAddress)));
}

} // namespace

VFakeDevice::VFakeDevice(VFakeDeviceManager& manager, std::uint32_t deviceId, std::uint32_t port,
                         std::uint32_t localAddress, std::uint32_t halAddress,
                         IParamDefinitionList& definitions, std::uint32_t deviceClass)
    : manager_(manager), eventManager_(manager.GetEventManager()),
      ioService_(manager.GetIoService()), halAddress_(halAddress), localAddress_(localAddress),
      dataSocket_(manager.GetIoService()), deviceClass_(deviceClass), deviceId_(deviceId),
      port_(port), paramList_(definitions.CreateParamList()),
      faults_(manager.GetIoService(), localAddress)
{
    // The device observes its list first, so its mirrors are current before any
    // parameter observer below runs.
    paramList_->AddObserver(this, true);
    syncModeObserver_ = std::make_unique<decltype(syncModeObserver_)::element_type>(
        *paramList_->FindParam(VStringStd("SyncMode")), *this);
    connectedObserver_ = std::make_unique<decltype(connectedObserver_)::element_type>(
        *paramList_->FindParam(VStringStd("Connected")), *this);
    frameNumberObserver_ = std::make_unique<decltype(frameNumberObserver_)::element_type>(
        *paramList_->FindParam(VStringStd("FrameNumber")), *this);
    SetParameter("LocalIP", DottedText(localAddress));
    SetParameter("RemoteIP", DottedText(halAddress));
    SetParameter("DeviceID", static_cast<int>(deviceId));
    SetParameter("Port", static_cast<int>(port));
    ResetState();
    SetParameter("SystemFrameRate", 50.0);
}

void VFakeDevice::OnBeforeDestruction()
{
    StopSyncThread();
}

void VFakeDevice::Retire()
{
    retired_ = true;
    if (refusalTimer_)
        refusalTimer_->cancel();
    if (!connectedState_)
        return StopSyncThread();
    connectedState_ = false;
    GoDown();
}

VFakeDevice::~VFakeDevice()
{
    frameNumberObserver_.reset();
    connectedObserver_.reset();
    syncModeObserver_.reset();
    paramList_->RemoveObserver(this);
    if (refusalTimer_)
        refusalTimer_->cancel();
    awakeAndAlive_.reset();
    if (session_)
        session_->Close();
    session_.reset();
    std::lock_guard<std::mutex> lock(deviceLock_);
    dataSocket_.Close();
}

// ---- parameters ------------------------------------------------------------------------

// An action queued from another thread holds only a weak reference: a device destroyed in
// the meantime simply does not act. Before anyone owns the device (construction, on the
// main thread) the action runs at once.
void VFakeDevice::InvokeOnMainThread(std::function<void()> action)
{
    const std::weak_ptr<VShared> self = weak_from_this();
    if (self.expired())
        return EventSystem::Invoke(eventManager_, action);
    EventSystem::Invoke(eventManager_,
                        [self, action = std::move(action)]
                        {
                            if (const std::shared_ptr<VShared> keep = self.lock())
                                action();
                        });
}

template <class T> void VFakeDevice::QueueParameterWrite(const std::string& name, T value)
{
    InvokeOnMainThread(
        [this, name, value]
        {
            if (IParam* param = paramList_->FindParam(VStringStd(name)))
                SetParamValue(*param, value, false);
        });
}

void VFakeDevice::SetParameter(const std::string& name, bool value)
{
    QueueParameterWrite(name, value);
}

void VFakeDevice::SetParameter(const std::string& name, int value)
{
    QueueParameterWrite(name, value);
}

void VFakeDevice::SetParameter(const std::string& name, double value)
{
    QueueParameterWrite(name, value);
}

void VFakeDevice::SetParameter(const std::string& name, const std::string& value)
{
    QueueParameterWrite(name, VStringStd(value));
}

// Reads the committed text that the main thread keeps in the property set.
template <class T> bool VFakeDevice::ReadParameter(const std::string& name, T& value) const
{
    VStringStd text;
    if (!properties_.GetValue(VStringStd(name), text))
        return false;
    if constexpr (std::is_same_v<T, std::string>)
    {
        value = text.Str();
        return true;
    }
    else
        return VParamStreamStringifier::FromString(text, value);
}

bool VFakeDevice::GetParameter(const std::string& name, bool& value) const
{
    return ReadParameter(name, value);
}

bool VFakeDevice::GetParameter(const std::string& name, int& value) const
{
    return ReadParameter(name, value);
}

bool VFakeDevice::GetParameter(const std::string& name, double& value) const
{
    return ReadParameter(name, value);
}

bool VFakeDevice::GetParameter(const std::string& name, std::string& value) const
{
    return ReadParameter(name, value);
}

void VFakeDevice::OnParamValueChanged(const IParamList& /*list*/, const IParam& param)
{
    Mirror(param);
}

// Publishes a committed value to the other threads: as text in the property set, and in
// an atomic for the values the frame path reads every frame.
void VFakeDevice::Mirror(const IParam& param)
{
    VStringStd name;
    VStringStd text;
    param.GetName(name);
    param.GetValueAsString(text);
    properties_.SetValue(name, text);
    const std::pair<const char*, std::atomic<bool>*> flags[] = {
        {"Connected", &connected_},
        {"Enabled", &enabled_},
        {"SystemEnabled", &systemEnabled_},
        {"Preview", &preview_},
    };
    for (const auto& [flagName, flag] : flags)
    {
        bool value = false;
        if (name.Str() == flagName && GetParamValue(param, value))
            *flag = value;
    }
    int mode = SyncMode::kFreeRunning;
    if (name.Str() == "SyncMode" && GetParamValue(param, mode))
        syncMode_ = mode;
    double rate = 0.0;
    if (name.Str() == "SystemFrameRate" && GetParamValue(param, rate))
        systemFrameRate_ = rate;
    OnParameterCommitted(param);
}

// ---- coming up and going down ----------------------------------------------------------

void VFakeDevice::ResetState()
{
    SetParameter("SystemEnabled", false);
    SetParameter("Enabled", false);
    SetParameter("FrameNumber", 0);
    SetParameter("Preview", false);
    SetParameter("SyncMode", static_cast<int>(SyncMode::kFreeRunning));
    manager_.BetweenFrames([this] { currentFrame_ = 0; });
}

// A retired device stays down.
void VFakeDevice::OnConnectionChanged(bool connected)
{
    if (connected == connectedState_ || retired_)
        return;
    connectedState_ = connected;
    // Identity cannot change while the HAL sees the device.
    for (const char* name : {"DeviceType", "DeviceID", "MinHalVersion", "FirmwareVersion"})
        paramList_->FindParam(VStringStd(name))->SetReadOnly(connected);
    connected ? GoUp() : GoDown();
}

void VFakeDevice::GoDown()
{
    StopSyncThread();
    awakeAndAlive_.reset();
    CloseSession();
    OnDisconnected();
}

void VFakeDevice::GoUp()
{
    ResetState();
    OpenSession();
    awakeAndAlive_ = std::make_unique<VAwakeAndAliveServer>(
        localAddress_, halAddress_, deviceId_, port_, deviceClass_, ioService_, &faults_);
    OnConnected();
}

// While a refusal lasts no listener is opened; its end opens one.
void VFakeDevice::OpenSession()
{
    if (session_ || faults_.IsRefusing())
        return;
    session_ = Qelt::VSharedFinal<VDeviceTelnetConnection>::Create(
        SharedAs<VFakeDevice>(), ioService_,
        static_cast<std::uint16_t>(port_ + kSessionPortOffset));
    std::printf("%d: Set up telnet listener at %ld\n", static_cast<int>(deviceId_),
                SecondsSince1970());
}

void VFakeDevice::CloseSession()
{
    if (session_)
        session_->Close();
    session_.reset();
}

// The session that asked for the refusal closes itself once its reply is out (so the
// reply is never cut off); a new listener opens when the refusal ends, if the device is
// still up.
void VFakeDevice::RefuseSessions(std::chrono::milliseconds length)
{
    session_.reset();
    if (refusalTimer_)
        refusalTimer_->cancel();
    auto timer = std::make_shared<boost::asio::steady_timer>(ioService_, length);
    refusalTimer_ = timer;
    const std::weak_ptr<VShared> self = weak_from_this();
    timer->async_wait(
        [this, self, timer](const boost::system::error_code& error)
        {
            const std::shared_ptr<VShared> keep = self.lock();
            if (error || !keep)
                return;
            InvokeOnMainThread(
                [this]
                {
                    if (connectedState_ && !retired_)
                        OpenSession();
                });
        });
}

// ---- faults ----------------------------------------------------------------------------

std::string VFakeDevice::ApplyFault(const std::string& words)
{
    std::string error;
    const std::optional<FaultCommand> command = ParseFaultCommand(words, error);
    if (!command)
        return "Fault not changed: " + error + "\n" + FaultCommand::kUsage;
    const std::string reply = faults_.Apply(*command);
    if (command->kind == FaultCommand::Kind::Refuse && command->duration.count() > 0)
        InvokeOnMainThread([this, length = command->duration] { RefuseSessions(length); });
    // The session has no help command: "fault" alone says how to use it too.
    if (command->kind == FaultCommand::Kind::List)
        return reply + "\n" + FaultCommand::kUsage;
    return reply;
}

// ---- broadcast commands ----------------------------------------------------------------

std::optional<std::uint32_t> VFakeDevice::BroadcastFields::At(std::size_t offset) const
{
    std::uint32_t value = 0;
    if (!ByteOrder::ReadBigEndian32(data, length, offset, value))
        return std::nullopt;
    return value;
}

// A datagram too short for the fields its command needs is ignored.
void VFakeDevice::OnBroadcast(const std::uint8_t* data, std::size_t length)
{
    std::uint32_t code = 0;
    if (!IsConnected() || !ByteOrder::ReadBigEndian32(data, length, 0, code))
        return;
    const BroadcastFields fields{data, length};
    switch (BroadcastCommand::FamilyOf(code))
    {
    case BroadcastCommand::FamilyOf(BroadcastCommand::kReset):
        return OnReset(fields);
    case BroadcastCommand::FamilyOf(BroadcastCommand::kMaster):
        return OnMaster(fields);
    case BroadcastCommand::FamilyOf(BroadcastCommand::kDataDisable):
        if (const auto flags = fields.At(4))
            SetParameter("SystemEnabled", (*flags & 1) == 0);
        return;
    case BroadcastCommand::FamilyOf(BroadcastCommand::kFrameNumber):
        if (const auto frame = fields.At(4))
        {
            currentFrame_ = static_cast<std::int32_t>(*frame);
            if (GetSyncMode() == SyncMode::kMaster)
                pendingSync_ = true;
        }
        return;
    case BroadcastCommand::FamilyOf(BroadcastCommand::kSync):
        if (const auto frame = fields.At(4))
            currentFrame_ = static_cast<std::int32_t>(*frame);
        return;
    case BroadcastCommand::FamilyOf(BroadcastCommand::kPreview):
        return OnPreview(fields);
    default:
        HandleDeviceBroadcast(data, length);
    }
}

void VFakeDevice::OnReset(const BroadcastFields& fields)
{
    const auto device = fields.At(4);
    if (!device || (*device != deviceId_ && *device != BroadcastCommand::kAllDevices))
        return;
    SetParameter("Connected", false);
    std::printf("%d: First connect at %ld\n", static_cast<int>(deviceId_), SecondsSince1970());
    SetParameter("Connected", true);
}

// The addressed device becomes Master (Surrogate master with flag bit 0), every other
// device Slave; "no device" (all ones) makes every device free-running.
void VFakeDevice::OnMaster(const BroadcastFields& fields)
{
    const auto device = fields.At(4), flags = fields.At(8), whole = fields.At(12),
               thousandths = fields.At(16), reserved = fields.At(20);
    if (!device || !flags || !whole || !thousandths || !reserved)
        return;
    int mode = SyncMode::kSlave;
    if (*device == deviceId_)
        mode = (*flags & 1) ? SyncMode::kSurrogateMaster : SyncMode::kMaster;
    else if (*device == BroadcastCommand::kAllDevices)
        mode = SyncMode::kFreeRunning;
    // Every device takes the new rate at once, within this broadcast: the new master starts
    // its clock as its mode changes on the main thread, and the first frame it drives must
    // see the new rate in every device, whose own parameter writes may still be on their way.
    const double rate = *whole + *thousandths * 0.001;
    systemFrameRate_ = rate;
    SetParameter("SystemFrameRate", rate);
    SetParameter("SyncMode", mode);
    pendingSync_ = true;
}

// Every connected device follows PREVIEW; the device classes see it too, as a camera
// switches its own preview for the addressed camera.
void VFakeDevice::OnPreview(const BroadcastFields& fields)
{
    const auto flags = fields.At(8);
    if (!flags)
        return;
    SetParameter("Preview", (*flags & 1) != 0);
    HandleDeviceBroadcast(fields.data, fields.length);
}

// ---- frames ----------------------------------------------------------------------------

void VFakeDevice::AdvanceFrame()
{
    previousFrame_ = currentFrame_.load();
    ++currentFrame_;
}

void VFakeDevice::Tick()
{
    if (!IsConnected())
        return;
    ProduceFrame();
    AdvanceFrame();
}

// One frame of the master. At a rate of 0 or less no frame is ever due: the clock idles
// until the rate is positive again, still stoppable at once.
void VFakeDevice::DoSyncFrame(VFramePacer& pacer)
{
    const double rate = GetSystemFrameRate();
    if (rate <= 0.0)
    {
        pacer.Pause(std::chrono::milliseconds(10));
        return;
    }
    pacer.BeginFrame(rate);
    manager_.OnMasterFrame(*this);
    pacer.WaitForRelease();
}

void VFakeDevice::ProduceMasterFrame()
{
    if (pendingSync_.exchange(false))
        BroadcastSync(currentFrame_);
    ProduceFrame();
    AdvanceFrame();
}

void VFakeDevice::BroadcastSync(std::int32_t frame)
{
    std::printf("%d: Broadcasting sync at %d frames (currently at %d, previous %d)\n",
                static_cast<int>(deviceId_), frame, currentFrame_.load(), previousFrame_.load());
    std::uint8_t datagram[8];
    ByteOrder::StoreBigEndian32(datagram, BroadcastCommand::kSync);
    ByteOrder::StoreBigEndian32(datagram + 4, static_cast<std::uint32_t>(frame));
    manager_.OnBroadcastCommand(datagram, sizeof(datagram));
}

void VFakeDevice::OnSyncModeChanged(int mode)
{
    if (mode == SyncMode::kMaster && !retired_)
        StartSyncThread();
    else
        StopSyncThread();
    SendSyncStatus();
    if (mode != SyncMode::kFreeRunning)
        SendPortInfo();
}

// Any other master steps down first, so two frame clocks never drive the devices at once.
void VFakeDevice::StartSyncThread()
{
    manager_.OnMasterChosen(*this);
    std::lock_guard<std::mutex> lock(syncLock_);
    if (!syncThread_)
        syncThread_ = std::make_unique<VSyncThread>(*this);
}

void VFakeDevice::StopSyncThread()
{
    std::lock_guard<std::mutex> lock(syncLock_);
    syncThread_.reset();
}

void VFakeDevice::OnFrameNumberChanged(int frame)
{
    if (!retired_)
        manager_.BetweenFrames([this, frame] { currentFrame_ = frame; });
}

// "setframe": the new number and the master's announcement of it take effect together at
// the next frame boundary, also when "FrameNumber" holds that number already.
void VFakeDevice::SetFrame(int frame)
{
    if (retired_)
        return;
    manager_.BetweenFrames(
        [this, frame]
        {
            if (IParam* param = paramList_->FindParam(VStringStd("FrameNumber")))
                SetParamValue(*param, frame, false);
            currentFrame_ = frame;
            pendingSync_ = true;
        });
}

// ---- command session -------------------------------------------------------------------

std::string VFakeDevice::GetGreeting() const
{
    std::printf("%d: Telnet reply sent at %ld\n", static_cast<int>(deviceId_), SecondsSince1970());
    return "FakeLumeDevice";
}

void VFakeDevice::HandleCommand(const std::string& command, std::string& reply)
{
    if (!IsConnected())
        return;
    std::printf("%d: Command: %s\n", static_cast<int>(deviceId_), command.c_str());
    const std::vector<std::string> words = CommandText::Tokens(command);
    if (!words.empty() && words.front() == "fault")
        reply = ApplyFault(command.substr(std::strlen("fault")));
    else
        HandleRecognisedCommand(command, reply);
    if (!reply.empty())
        std::printf("%d:  Reply: %s\n", static_cast<int>(deviceId_), reply.c_str());
}

void VFakeDevice::HandleRecognisedCommand(const std::string& command, std::string& reply)
{
    const char* const keywords[] = {"portset", "datadisable", "setframe", "syncmode", "notify"};
    const auto keyword =
        std::find_if(std::begin(keywords), std::end(keywords),
                     [&](const char* k) { return command.compare(0, std::strlen(k), k) == 0; });
    if (keyword != std::end(keywords))
        HandleBaseCommand(*keyword, command.substr(std::strlen(*keyword)));
    else
        HandleDeviceCommand(command, reply);
}

// "portset" and "setframe" without a number are ignored rather than taken as 0.
void VFakeDevice::HandleBaseCommand(const std::string& keyword, const std::string& arguments)
{
    unsigned long number = 0;
    if (keyword == "portset")
    {
        if (CommandText::ReadUnsigned(arguments, number))
            OnPortSet(static_cast<std::uint16_t>(number));
    }
    else if (keyword == "datadisable")
        SetParameter("Enabled", CommandText::TrimLineSpace(arguments) == "false");
    else if (keyword == "setframe")
    {
        if (CommandText::ReadUnsigned(arguments, number))
            InvokeOnMainThread([this, frame = static_cast<int>(number)] { SetFrame(frame); });
    }
    else if (keyword == "syncmode")
    {
        std::istringstream in(arguments);
        std::string word;
        in >> word;
        if (word == "-g")
            in >> word;
        if (word == "freerun")
            SetParameter("SyncMode", static_cast<int>(SyncMode::kFreeRunning));
        else if (word == "master")
            SetParameter("SyncMode", static_cast<int>(SyncMode::kMaster));
        else if (word == "slave")
            SetParameter("SyncMode", static_cast<int>(SyncMode::kSlave));
    }
    else
        HandleNotify(arguments);
}

// "notify <word> <data port> <word> <session tag>": reopens the data socket to the HAL at
// that port. Numbers that cannot be read are taken as read (0).
void VFakeDevice::HandleNotify(const std::string& arguments)
{
    {
        std::lock_guard<std::mutex> lock(deviceLock_);
        dataSocket_.Close();
        std::istringstream in(arguments);
        std::string ignored;
        std::uint16_t dataPort = 0;
        std::uint32_t tag = 0;
        in >> ignored >> dataPort >> ignored >> tag;
        sessionTag_ = tag;
        dataSocket_.OpenForSending(localAddress_, halAddress_, dataPort);
        SendSyncStatusLocked();
        if (GetSyncMode() != SyncMode::kFreeRunning)
            SendPortInfoLocked();
    }
    OnNotify();
}

void VFakeDevice::SendPortInfo()
{
    std::lock_guard<std::mutex> lock(deviceLock_);
    SendPortInfoLocked();
}

void VFakeDevice::SendSyncStatus()
{
    std::lock_guard<std::mutex> lock(deviceLock_);
    SendSyncStatusLocked();
}

void VFakeDevice::SendPortInfoLocked()
{
    if (!dataSocket_.IsOpen())
        return;
    const StatusPackets::Packet packet =
        StatusPackets::EncodePortInfo(GetSessionTag(), deviceId_, port_);
    dataSocket_.Send(packet.data(), packet.size());
}

void VFakeDevice::SendSyncStatusLocked()
{
    if (!dataSocket_.IsOpen())
        return;
    const int mode = GetSyncMode();
    std::uint32_t flags =
        mode != SyncMode::kFreeRunning ? StatusPackets::kSyncFlagNotFreeRunning : 0;
    flags |= mode == SyncMode::kMaster ? StatusPackets::kSyncFlagMaster : 0;
    const StatusPackets::Packet packet =
        StatusPackets::EncodeSyncStatus(GetSessionTag(), deviceId_, flags);
    dataSocket_.Send(packet.data(), packet.size());
}

void VFakeDevice::ReportSkippedFrames() const
{
    const std::int32_t current = GetCurrentFrame(), previous = GetPreviousFrame();
    const std::uint32_t step =
        static_cast<std::uint32_t>(current) - static_cast<std::uint32_t>(previous);
    if (step != 1)
        std::printf("Device %d skipped %d frames between frame numbers %d and %d\n",
                    static_cast<int>(deviceId_), static_cast<int>(step), previous, current);
}

void VFakeDevice::SendDeviceRecord(std::uint8_t* record, std::size_t length)
{
    std::lock_guard<std::mutex> lock(deviceLock_);
    if (!dataSocket_.IsOpen() || length < 12)
        return;
    ByteOrder::StoreLittleEndian16(record + 6, GetSessionTag());
    ByteOrder::StoreLittleEndian32(record + 8, deviceId_);
    dataSocket_.Send(record, length);
}
