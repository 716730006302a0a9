#include "devices/FakeDeviceManager.h"

#include "FileIO/X1DImport.h"
#include "FileIO/X2DIO/X2DImport.h"
#include "devices/FakeDeviceParameters.h"
#include "devices/camera/FakeDeviceCameraSynth.h"
#include "devices/camera/FakeDeviceCameraX2D.h"
#include "devices/camera/X2DHolder.h"
#include "devices/netbox/FakeDeviceNetSynth.h"
#include "devices/netbox/FakeDeviceNetX1D.h"
#include "devices/netbox/FakeDeviceNetX2D.h"
#include "devices/netbox/X1DHolder.h"

#include <boost/asio/post.hpp>
#include <cstdio>
#include <future>

namespace
{
// The last of the reader's errors says why it gave up.
std::string ReasonOf(const std::vector<std::string>& errors, const char* fallback)
{
    return errors.empty() ? fallback : errors.back();
}
} // namespace

VFakeDeviceManager::VFakeDeviceManager(IEventManager& eventManager, std::uint32_t localAddress,
                                       std::uint32_t halAddress, boost::asio::io_context& ioService)
    : VBroadcastReceiver(localAddress, halAddress, ioService), localAddress_(localAddress),
      halAddress_(halAddress), eventManager_(eventManager), pool_(kPoolThreads, 0),
      ioService_(ioService)
{
    Start();
}

// A device may still be held elsewhere when the list lets it go (the I/O thread in the
// middle of a command line, a frame step): it is taken out of service first, so nothing
// of it calls back into the manager once the manager is gone, and the I/O thread is given
// time to let go, so every device is destroyed here, on the main thread.
VFakeDeviceManager::~VFakeDeviceManager()
{
    std::vector<std::shared_ptr<VFakeDevice>> released;
    {
        std::lock_guard<std::recursive_mutex> lock(listMutex_);
        released.swap(devices_);
        cgClients_.clear();
    }
    TakeOutOfService(released);
    WaitForIoHandlers();
    released.clear();
    Stop();
}

void VFakeDeviceManager::TakeOutOfService(const std::vector<std::shared_ptr<VFakeDevice>>& devices)
{
    for (const std::shared_ptr<VFakeDevice>& device : devices)
        device->Retire();
}

// Handlers run in the order they were queued: once a marker queued now has run, every
// handler queued before it (the sessions' closing among them) has finished.
void VFakeDeviceManager::WaitForIoHandlers()
{
    auto marker = std::make_shared<std::promise<void>>();
    std::future<void> reached = marker->get_future();
    boost::asio::post(ioService_, [marker] { marker->set_value(); });
    reached.wait_for(kIoHandlerWait);
}

// One network box per recorded device of the file, each told its row in the file.
bool VFakeDeviceManager::LoadX1D(const std::string& path)
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    auto reader = std::make_shared<VX1DImport>();
    if (!reader->Open(path))
    {
        loadError_ = ReasonOf(reader->GetErrors(), "the file is not an X1D recording.");
        return false;
    }
    if (devices_.size() + reader->GetNumberOfDevices() > kMaxDevices)
    {
        loadError_ = "the file names " + std::to_string(reader->GetNumberOfDevices()) +
                     " devices, more than the " + std::to_string(kMaxDevices) +
                     " sessions the rig can open.";
        return false;
    }
    const auto holder = std::make_shared<VX1DHolder>(std::move(reader));
    for (std::uint32_t device = 0; device < holder->GetNumberOfDevices(); ++device)
        CreateDevice<VFakeDeviceNetX1D>(NetworkBoxId, holder, device);
    return true;
}

// One camera per camera of the file, each with the identifier the file gives it, then a
// network box that sends the file's start timecode, when it has one.
bool VFakeDeviceManager::LoadX2D(const std::string& path)
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    auto reader = std::make_shared<X2DIO::VX2DImport>(kX2DViewSizeMiB);
    if (!reader->Open(path, true))
    {
        loadError_ = ReasonOf(reader->GetErrors(), "the file is not an X2D recording.");
        return false;
    }
    X2DIO::Timecode start;
    const bool hasTimecode = reader->GetStartTimecode(start);
    const auto holder = std::make_shared<VX2DHolder>(std::move(reader));
    for (std::uint32_t camera = 0; camera < holder->GetCameraCount(); ++camera)
    {
        const auto identifier =
            static_cast<std::uint32_t>(holder->GetCameraInfo(camera).identifier);
        CreateDevice<VFakeDeviceCameraX2D>([identifier](std::uint32_t) { return identifier; },
                                           holder, camera);
    }
    if (hasTimecode)
        CreateDevice<VFakeDeviceNetX2D>(NetworkBoxId, TimecodeFromRecording(start));
    return true;
}

void VFakeDeviceManager::AddSynthCamera(int cameraType, int strobeKind)
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    CreateDevice<VFakeDeviceCameraSynth>(SequentialId, cameraType, strobeKind);
}

void VFakeDeviceManager::AddSynthNetworkBox()
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    CreateDevice<VFakeDeviceNetSynth>(NetworkBoxId);
}

std::shared_ptr<VFakeLumeCGClient> VFakeDeviceManager::AddCGClient()
{
    // The client's parameters are bound to the main thread, so it is destroyed there.
    std::shared_ptr<VFakeLumeCGClient> client(new VFakeLumeCGClient(eventManager_),
                                              VEventThreadDeleter(eventManager_));
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    cgClients_.push_back(client);
    return client;
}

unsigned VFakeDeviceManager::GetCGClientCount()
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    return static_cast<unsigned>(cgClients_.size());
}

std::shared_ptr<VFakeLumeCGClient> VFakeDeviceManager::GetCGClient(unsigned index)
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    return index < cgClients_.size() ? cgClients_[index] : nullptr;
}

unsigned VFakeDeviceManager::GetDeviceCount()
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    return static_cast<unsigned>(devices_.size());
}

std::shared_ptr<VFakeDevice> VFakeDeviceManager::GetDevice(unsigned index)
{
    return devices_[index];
}

void VFakeDeviceManager::OnBroadcastCommand(const std::uint8_t* data, std::size_t length)
{
    std::fputs(BroadcastCommand::DescribeForLog(data, length).c_str(), stdout);
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    for (const std::shared_ptr<VFakeDevice>& device : devices_)
        device->OnBroadcast(data, length);
}

void VFakeDeviceManager::OnMasterFrame(VFakeDevice& master)
{
    std::lock_guard<std::recursive_mutex> lock(listMutex_);
    master.ProduceMasterFrame();
    std::vector<UtilsThreading::VThreadPool::Task> ticks;
    ticks.reserve(devices_.size());
    for (const std::shared_ptr<VFakeDevice>& device : devices_)
    {
        if (device.get() != &master)
            ticks.push_back([device = device.get()] { device->Tick(); });
    }
    pool_.SubmitAll(std::move(ticks));
    pool_.WaitUntilIdle();
    const auto produced = static_cast<std::uint32_t>(master.GetPreviousFrame());
    for (const std::shared_ptr<VFakeLumeCGClient>& client : cgClients_)
        client->RecordSent(produced);
}

void VFakeDeviceManager::OnMasterChosen(const VFakeDevice& master)
{
    std::vector<std::shared_ptr<VFakeDevice>> devices;
    {
        std::lock_guard<std::recursive_mutex> lock(listMutex_);
        devices = devices_;
    }
    // Outside the lock: a demoted master waits for its frame in progress, which needs it.
    for (const std::shared_ptr<VFakeDevice>& device : devices)
    {
        if (device.get() != &master && device->GetSyncMode() == FakeDeviceParameters::kMaster)
            device->SetParameter("SyncMode", static_cast<int>(FakeDeviceParameters::kSlave));
    }
}
