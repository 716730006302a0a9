// Shared objects bound to the main thread are destroyed there, whichever thread lets the
// last reference go.

#include "Framework/EventSystem/EventManagerQt.h"
#include "devices/EventThreadDeleter.h"
#include "devices/Shared.h"
#include "tests/support/QtTestLoop.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace
{
class Recorder : public Qelt::VShared
{
public:
    explicit Recorder(std::shared_ptr<std::atomic<std::thread::id>> destroyedOn)
        : destroyedOn_(std::move(destroyedOn))
    {
    }
    ~Recorder() override { *destroyedOn_ = std::this_thread::get_id(); }

private:
    std::shared_ptr<std::atomic<std::thread::id>> destroyedOn_;
};
} // namespace

TEST(EventThreadDeleter, LastReleaseOnAnotherThreadDestroysOnTheMainThread)
{
    VEventManagerQt events;
    const auto destroyedOn = std::make_shared<std::atomic<std::thread::id>>();
    auto object =
        Qelt::VSharedFinal<Recorder>::CreateWithDeleter(VEventThreadDeleter(events), destroyedOn);
    std::thread([owned = std::move(object)]() mutable { owned.reset(); }).join();
    EXPECT_EQ(destroyedOn->load(), std::thread::id()) << "not on the worker";
    ASSERT_TRUE(QtTest::RunLoopUntil([&] { return destroyedOn->load() != std::thread::id(); }));
    EXPECT_EQ(destroyedOn->load(), std::this_thread::get_id());

    *destroyedOn = std::thread::id();
    Qelt::VSharedFinal<Recorder>::CreateWithDeleter(VEventThreadDeleter(events), destroyedOn);
    EXPECT_EQ(destroyedOn->load(), std::this_thread::get_id()) << "at once on the main thread";
}
