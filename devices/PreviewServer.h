#pragma once
// Streams the live image of a camera in preview mode to the HAL on UDP port 8574. The image
// is synthetic: rings around its centre whose grey levels rise by 5 from one image to the
// next. Each image goes out in batches of up to ten lines, each batch in datagrams of at
// most 1024 pixel bytes behind a 36-byte header; the only pause is 10 ms after drawing each
// image.
//
// Thread rules: construction, IsRunning() and destruction are thread-bound to the owner (the
// main thread). After construction the server's own thread alone touches the socket, the
// image buffer and the counters. `stop_` is atomic; `pauseMutex_` guards the wait on `wake_`,
// so that the destructor ends a pause at once.

#include "net/AsioUdpSocket.h"

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class VPreviewServer final : public VDataOutSocket
{
public:
    static constexpr std::uint16_t kHalPort = 8574;
    static constexpr std::size_t kHeaderSize = 36;
    static constexpr std::uint32_t kMaxPixelsPerDatagram = 1024;
    static constexpr std::uint32_t kLinesPerBatch = 10;

    // Addresses in network byte order; the image is `width` × `height` pixels. A width or
    // height of 0, or above 65535 (the image header cannot carry it), leaves the server
    // stopped: no socket, no thread, IsRunning() false.
    VPreviewServer(std::uint32_t localAddress, std::uint32_t halAddress, std::uint32_t deviceId,
                   std::uint32_t width, std::uint32_t height, boost::asio::io_context& ioService);
    // Stops the stream after the datagram being sent (at once during a pause) and returns
    // once the thread has ended, so nothing is sent after it.
    ~VPreviewServer() override;

    bool IsRunning() const { return thread_.joinable(); }

private:
    void Run();
    void StartImage();
    void DrawImage();
    // Waits 10 ms; false when stopped meanwhile.
    bool Pause();
    void SendNextDatagram();
    void StartBatch();
    void WriteHeader(std::uint8_t* header, std::uint32_t length) const;

    const std::uint32_t deviceId_;
    const std::uint32_t width_;
    const std::uint32_t height_;
    const std::uint32_t imageSize_;
    // The header's room, then the image row by row, one byte per pixel.
    std::vector<std::uint8_t> buffer_;
    std::uint32_t imageCounter_ = 0;
    // The next pixel to send.
    std::uint32_t sendOffset_ = 0;
    bool newBatch_ = true;
    std::uint32_t batchEnd_ = 0;
    std::uint32_t batchFirstLine_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex pauseMutex_;
    std::condition_variable wake_;
    std::thread thread_;
};
