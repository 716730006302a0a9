#include "devices/PreviewServer.h"

#include "net/ByteOrder.h"
#include "net/ThreadName.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

namespace
{
constexpr std::uint16_t kImageRecord = 0xC000;
constexpr std::uint16_t kVersion = 2;
constexpr std::uint16_t kImageKind = 4;
constexpr std::uint32_t kPacketSize = 1400;
constexpr std::uint32_t kLevelsPerImage = 5;
constexpr std::chrono::milliseconds kPauseAfterDrawing{10};
constexpr std::uint32_t kMaxSide = 0xFFFF;

bool FitsTheHeader(std::uint32_t width, std::uint32_t height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}
} // namespace

VPreviewServer::VPreviewServer(std::uint32_t localAddress, std::uint32_t halAddress,
                               std::uint32_t deviceId, std::uint32_t width, std::uint32_t height,
                               boost::asio::io_context& ioService)
    : VDataOutSocket(ioService), deviceId_(deviceId), width_(width), height_(height),
      imageSize_(FitsTheHeader(width, height) ? width * height : 0)
{
    if (imageSize_ == 0)
        return;
    buffer_.resize(kHeaderSize + imageSize_);
    OpenForSending(localAddress, halAddress, kHalPort);
    thread_ = std::thread(&VPreviewServer::Run, this);
}

VPreviewServer::~VPreviewServer()
{
    if (thread_.joinable())
    {
        {
            std::lock_guard<std::mutex> lock(pauseMutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    Close();
}

void VPreviewServer::Run()
{
    NotificationSystem::NameCurrentThread("Preview " + std::to_string(deviceId_));
    while (!stop_)
    {
        if (sendOffset_ == 0 || sendOffset_ == imageSize_)
        {
            StartImage();
            if (!Pause())
                return;
        }
        SendNextDatagram();
    }
}

void VPreviewServer::StartImage()
{
    ++imageCounter_;
    sendOffset_ = 0;
    DrawImage();
}

// Each pixel is its distance from the centre, whole pixels in single precision, plus 5 grey
// levels per image, modulo 256: a grey level moves 5 pixels inwards from image to image.
void VPreviewServer::DrawImage()
{
    const std::int64_t centreX = width_ / 2;
    const std::int64_t centreY = height_ / 2;
    const std::uint32_t shift = kLevelsPerImage * imageCounter_;
    std::uint8_t* pixel = buffer_.data() + kHeaderSize;
    for (std::int64_t y = 0; y < height_; ++y)
    {
        const std::int64_t dy = y - centreY;
        for (std::int64_t x = 0; x < width_; ++x)
        {
            const std::int64_t dx = x - centreX;
            const float distance = std::sqrt(float(dx * dx + dy * dy));
            *pixel++ = std::uint8_t(std::uint32_t(distance) + shift);
        }
    }
}

bool VPreviewServer::Pause()
{
    std::unique_lock<std::mutex> lock(pauseMutex_);
    const auto deadline = std::chrono::steady_clock::now() + kPauseAfterDrawing;
    return !wake_.wait_until(lock, deadline, [this] { return stop_.load(); });
}

// The header goes into the 36 bytes just before the first pixel of the datagram, over
// pixels already sent (or the room before the image), so no copy is needed.
void VPreviewServer::SendNextDatagram()
{
    if (newBatch_)
        StartBatch();
    const std::uint32_t length = std::min(batchEnd_ - sendOffset_, kMaxPixelsPerDatagram);
    std::uint8_t* datagram = buffer_.data() + sendOffset_;
    WriteHeader(datagram, length);
    Send(datagram, kHeaderSize + length);
    sendOffset_ += length;
    newBatch_ = sendOffset_ == batchEnd_;
}

void VPreviewServer::StartBatch()
{
    newBatch_ = false;
    const std::uint64_t end = std::uint64_t(sendOffset_) + std::uint64_t(kLinesPerBatch) * width_;
    batchEnd_ = std::uint32_t(std::min<std::uint64_t>(end, imageSize_));
    batchFirstLine_ = sendOffset_ / width_;
}

void VPreviewServer::WriteHeader(std::uint8_t* header, std::uint32_t length) const
{
    ByteOrder::StoreLittleEndian16(header, kImageRecord);
    ByteOrder::StoreLittleEndian16(header + 2, std::uint16_t(kHeaderSize));
    ByteOrder::StoreLittleEndian16(header + 4, kVersion);
    ByteOrder::StoreLittleEndian16(header + 6, kImageKind);
    ByteOrder::StoreLittleEndian32(header + 8, deviceId_);
    ByteOrder::StoreLittleEndian32(header + 12, imageCounter_);
    ByteOrder::StoreLittleEndian32(header + 16, length);
    ByteOrder::StoreLittleEndian32(header + 20, batchFirstLine_);
    ByteOrder::StoreLittleEndian32(header + 24, kPacketSize);
    ByteOrder::StoreLittleEndian16(header + 28, std::uint16_t(width_));
    ByteOrder::StoreLittleEndian16(header + 30, std::uint16_t(height_));
    ByteOrder::StoreLittleEndian32(header + 32, sendOffset_);
}
