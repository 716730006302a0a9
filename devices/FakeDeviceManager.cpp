#include "devices/FakeDeviceManager.h"

#include <cstdio>

VFakeDeviceManager::VFakeDeviceManager(IEventManager& eventManager, std::uint32_t localAddress,
                                       std::uint32_t halAddress, boost::asio::io_context& ioService)
    : VBroadcastReceiver(localAddress, halAddress, ioService), localAddress_(localAddress),
      halAddress_(halAddress), eventManager_(eventManager), pool_(kPoolThreads, 0),
      ioService_(ioService)
{
    Start();
}

VFakeDeviceManager::~VFakeDeviceManager()
{
    std::vector<std::shared_ptr<VFakeDevice>> released;
    {
        std::lock_guard<std::mutex> lock(listMutex_);
        released.swap(devices_);
    }
    released.clear();
    Stop();
}

// This build reads no trial file yet: every file counts as one that cannot be opened.
bool VFakeDeviceManager::LoadX1D(const std::string& /*path*/)
{
    return false;
}

bool VFakeDeviceManager::LoadX2D(const std::string& /*path*/)
{
    return false;
}

unsigned VFakeDeviceManager::GetDeviceCount()
{
    std::lock_guard<std::mutex> lock(listMutex_);
    return static_cast<unsigned>(devices_.size());
}

std::shared_ptr<VFakeDevice> VFakeDeviceManager::GetDevice(unsigned index)
{
    return devices_[index];
}

void VFakeDeviceManager::OnBroadcastCommand(const std::uint8_t* data, std::size_t length)
{
    std::fputs(BroadcastCommand::DescribeForLog(data, length).c_str(), stdout);
    std::lock_guard<std::mutex> lock(listMutex_);
    for (const std::shared_ptr<VFakeDevice>& device : devices_)
        device->OnBroadcast(data, length);
}

void VFakeDeviceManager::OnMasterFrame(const VFakeDevice& master)
{
    std::lock_guard<std::mutex> lock(listMutex_);
    std::vector<UtilsThreading::VThreadPool::Task> ticks;
    ticks.reserve(devices_.size());
    for (const std::shared_ptr<VFakeDevice>& device : devices_)
    {
        if (device.get() != &master)
            ticks.push_back([device = device.get()] { device->Tick(); });
    }
    pool_.SubmitAll(std::move(ticks));
    pool_.WaitUntilIdle();
}
