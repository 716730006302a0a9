#include "Framework/EventSystem/DeferredAction.h"
#include "Framework/EventSystem/EventManagerQt.h"
#include "tests/support/QtTestLoop.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using QtTest::DrainLoop;
using QtTest::RunLoopUntil;

namespace
{
std::vector<std::string>* journal = nullptr;

// A named event that writes its name to the journal when dispatched to a handler.
class NamedEvent : public IEvent
{
public:
    explicit NamedEvent(std::string name, unsigned delayMs = 0)
        : name(std::move(name)), delay(delayMs)
    {
    }
    NamedEvent* Clone() const override { return new NamedEvent(*this); }
    unsigned GetDelayMs() const override { return delay; }

    std::string name;
    unsigned delay;
};

class DerivedEvent : public NamedEvent
{
public:
    using NamedEvent::NamedEvent;
    DerivedEvent* Clone() const override { return new DerivedEvent(*this); }
};

class NestableEvent : public NamedEvent, public INestableEvent
{
public:
    using NamedEvent::NamedEvent;
    NestableEvent* Clone() const override { return new NestableEvent(*this); }
};

class OtherEvent : public IEvent
{
public:
    OtherEvent* Clone() const override { return new OtherEvent(*this); }
};

// Writes "<tag>:<event name>" for every event it handles; runs an optional action first.
class RecordingHandler : public VEventHandler
{
public:
    explicit RecordingHandler(std::string tag) : tag_(std::move(tag)) {}
    void HandleEvent(const IEvent& event) override
    {
        const auto* named = dynamic_cast<const NamedEvent*>(&event);
        journal->push_back(tag_ + ":" + (named ? named->name : "other"));
        if (action)
            action(event);
    }
    std::function<void(const IEvent&)> action;

private:
    std::string tag_;
};

template <class T> IEventManager::TypedEvent* TypeOf(T* prototype)
{
    return new IEventManager::TemplatedTypedEvent<T>(prototype);
}

class EventManagerTest : public testing::Test
{
protected:
    EventManagerTest() { journal = &entries_; }
    ~EventManagerTest() override { journal = nullptr; }

    bool JournalHas(std::size_t count)
    {
        return RunLoopUntil([&] { return entries_.size() >= count; });
    }

    std::vector<std::string> entries_;
    VEventManagerQt manager_;
};
} // namespace

TEST_F(EventManagerTest, EventsFromAWorkerArriveInSubmissionOrderOnTheEventThread)
{
    RecordingHandler handler("h");
    manager_.Register(&handler, TypeOf(new NamedEvent("")));
    std::thread worker(
        [&]
        {
            for (int i = 0; i < 50; ++i)
                manager_.Submit(NamedEvent(std::to_string(i)));
        });
    worker.join();
    ASSERT_TRUE(JournalHas(50));
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(entries_[i], "h:" + std::to_string(i));
    EXPECT_EQ(manager_.GetDispatchCount(), 50u);
}

TEST_F(EventManagerTest, ShorterDelayOvertakesAndTheTimerIsReArmed)
{
    RecordingHandler handler("h");
    manager_.Register(&handler, TypeOf(new NamedEvent("")));
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::chrono::steady_clock::duration> arrivals;
    handler.action = [&](const IEvent&)
    { arrivals.push_back(std::chrono::steady_clock::now() - start); };
    manager_.Submit(NamedEvent("late", 100));
    manager_.Submit(NamedEvent("early", 50));
    ASSERT_TRUE(JournalHas(2));
    EXPECT_EQ(entries_, (std::vector<std::string>{"h:early", "h:late"}));
    EXPECT_GE(arrivals[0], 50ms);
    EXPECT_GE(arrivals[1], 100ms);
    EXPECT_LT(arrivals[1], 1000ms) << "the timer must be re-armed after the first delivery";
}

TEST_F(EventManagerTest, HandlerRegisteredDuringADispatchSeesOnlyLaterEvents)
{
    RecordingHandler first("first"), late("late");
    first.action = [&](const IEvent&)
    {
        if (manager_.GetHandlerCount() == 1)
            manager_.Register(&late, TypeOf(new NamedEvent("")));
    };
    manager_.Register(&first, TypeOf(new NamedEvent("")));
    manager_.Submit(NamedEvent("a"));
    manager_.Submit(NamedEvent("b"));
    ASSERT_TRUE(JournalHas(3));
    EXPECT_EQ(entries_, (std::vector<std::string>{"first:a", "first:b", "late:b"}));
}

TEST_F(EventManagerTest, HandlerUnregisteredDuringADispatchIsNotCalledAgain)
{
    RecordingHandler first("first"), second("second");
    first.action = [&](const IEvent&) { manager_.Unregister(&second); };
    manager_.Register(&first, TypeOf(new NamedEvent("")));
    manager_.Register(&second, TypeOf(new NamedEvent("")));
    EXPECT_EQ(manager_.GetHandlerCount(), 2u);
    manager_.Submit(NamedEvent("a"));
    ASSERT_TRUE(JournalHas(1));
    DrainLoop();
    EXPECT_EQ(entries_, (std::vector<std::string>{"first:a"}));
    EXPECT_EQ(manager_.GetHandlerCount(), 1u);
}

TEST_F(EventManagerTest, RemovedPendingEventsAreNeverDispatched)
{
    RecordingHandler handler("h");
    manager_.Register(&handler, TypeOf(new NamedEvent("")));
    manager_.Submit(NamedEvent("drop", 20));
    manager_.Submit(NamedEvent("drop"));
    manager_.Submit(NamedEvent("keep"));
    manager_.RemovePending([](const IEvent& event)
                           { return static_cast<const NamedEvent&>(event).name == "drop"; });
    ASSERT_TRUE(JournalHas(1));
    EXPECT_FALSE(RunLoopUntil([&] { return entries_.size() > 1; }, 100ms));
    EXPECT_EQ(entries_, (std::vector<std::string>{"h:keep"}));
}

TEST_F(EventManagerTest, NestableEventsRunInsideADispatchOthersWaitBehindIt)
{
    RecordingHandler handler("h");
    handler.action = [&](const IEvent& event)
    {
        if (static_cast<const NamedEvent&>(event).name != "outer")
            return;
        manager_.Submit(NamedEvent("queued"));
        manager_.Submit(NestableEvent("nested"));
        RunLoopUntil([&] { return entries_.size() >= 2; });
        journal->push_back("outer done");
    };
    manager_.Register(&handler, TypeOf(new NamedEvent("")));
    manager_.Submit(NamedEvent("outer"));
    ASSERT_TRUE(JournalHas(4));
    EXPECT_EQ(entries_,
              (std::vector<std::string>{"h:outer", "h:nested", "outer done", "h:queued"}));
}

TEST_F(EventManagerTest, SendNowDispatchesAtOnceButNeverRecursesOrCrossesThreads)
{
    RecordingHandler handler("h");
    bool nestedSameType = true;
    bool nestedOtherType = false;
    handler.action = [&](const IEvent& event)
    {
        if (dynamic_cast<const NamedEvent*>(&event) == nullptr)
            return;
        nestedSameType = manager_.SendNow(NamedEvent("again"));
        nestedOtherType = manager_.SendNow(OtherEvent());
    };
    manager_.Register(&handler, TypeOf(new NamedEvent("")));
    manager_.Register(&handler, TypeOf(new OtherEvent));
    EXPECT_TRUE(manager_.SendNow(NamedEvent("now")));
    EXPECT_FALSE(nestedSameType);
    EXPECT_TRUE(nestedOtherType);
    EXPECT_EQ(entries_, (std::vector<std::string>{"h:now", "h:other"}));
    bool fromWorker = true;
    std::thread([&] { fromWorker = manager_.SendNow(NamedEvent("worker")); }).join();
    EXPECT_FALSE(fromWorker);
    DrainLoop();
    EXPECT_EQ(entries_.size(), 2u);
}

TEST_F(EventManagerTest, HandlersOfABaseTypeSeeDerivedEventsButNotTheReverse)
{
    RecordingHandler derivedHandler("derived"), baseHandler("base");
    // The derived type first, so registering the base has to move it below the base.
    manager_.Register(&derivedHandler, TypeOf(new DerivedEvent("")));
    manager_.Register(&baseHandler, TypeOf(new NamedEvent("")));
    manager_.Submit(DerivedEvent("d"));
    manager_.Submit(NamedEvent("n"));
    manager_.Submit(OtherEvent());
    ASSERT_TRUE(JournalHas(3));
    DrainLoop();
    EXPECT_EQ(entries_, (std::vector<std::string>{"base:d", "derived:d", "base:n"}));
}

namespace
{
class RefusedEvent : public NamedEvent
{
public:
    using NamedEvent::NamedEvent;
    RefusedEvent* Clone() const override { return new RefusedEvent(*this); }
    bool OnSubmit(IEventManager&) override { return false; }
};

// Asks to be posted again until it has been dispatched three times; counts the instances
// alive, so a test can tell that none leaked.
class RepostedEvent : public NamedEvent
{
public:
    explicit RepostedEvent(std::string name) : NamedEvent(std::move(name)) { ++alive; }
    RepostedEvent(const RepostedEvent& other) : NamedEvent(other), dispatches(other.dispatches)
    {
        ++alive;
    }
    ~RepostedEvent() override { --alive; }
    RepostedEvent* Clone() const override { return new RepostedEvent(*this); }
    bool ShouldRepost(IEventManager&) override { return ++dispatches < 3; }
    int dispatches = 0;
    static int alive;
};
int RepostedEvent::alive = 0;

struct Tracked
{
    explicit Tracked(std::thread::id& where) : destroyedOn(where) {}
    ~Tracked() { destroyedOn = std::this_thread::get_id(); }
    std::thread::id& destroyedOn;
};
} // namespace

TEST_F(EventManagerTest, RefusedRepostedAndDestroyableEvents)
{
    RecordingHandler handler("h");
    manager_.Register(&handler, TypeOf(new NamedEvent("")));
    manager_.Submit(RefusedEvent("refused"));
    manager_.Submit(RepostedEvent("again"));
    std::thread::id destroyedOn;
    std::thread([&] { manager_.Submit(VDestroyableEvent(std::make_unique<Tracked>(destroyedOn))); })
        .join();
    EXPECT_EQ(destroyedOn, std::thread::id()) << "the object waits for the event thread";
    ASSERT_TRUE(JournalHas(3));
    ASSERT_TRUE(RunLoopUntil([&] { return destroyedOn != std::thread::id(); }));
    EXPECT_EQ(destroyedOn, std::this_thread::get_id());
    DrainLoop();
    EXPECT_EQ(entries_, (std::vector<std::string>{"h:again", "h:again", "h:again"}));
}

namespace
{
class CountingAction : public VDeferredActionEvent
{
public:
    explicit CountingAction(int& counter) : counter_(counter) {}
    CountingAction* Clone() const override { return new CountingAction(counter_); }
    void Execute() override { ++counter_; }

private:
    int& counter_;
};
} // namespace

TEST_F(EventManagerTest, DeferredActionsExecuteThroughTheirHandlerUntilItIsGone)
{
    int executed = 0;
    {
        VDeferredActionEventHandler handler(manager_);
        EXPECT_EQ(manager_.GetHandlerCount(), 1u);
        manager_.Submit(CountingAction(executed));
        ASSERT_TRUE(RunLoopUntil([&] { return executed == 1; }));
    }
    EXPECT_EQ(manager_.GetHandlerCount(), 0u);
    manager_.Submit(CountingAction(executed));
    DrainLoop();
    EXPECT_EQ(executed, 1);
}

TEST_F(EventManagerTest, EventsStillPendingWhenTheManagerGoesAreDestroyedUndelivered)
{
    std::thread::id destroyedOn;
    {
        VEventManagerQt shortLived;
        shortLived.Submit(VDestroyableEvent(std::make_unique<Tracked>(destroyedOn)));
        shortLived.Submit(NamedEvent("never", 10000));
    }
    DrainLoop();
    EXPECT_EQ(destroyedOn, std::this_thread::get_id()) << "freed with the manager, not leaked";
}

TEST_F(EventManagerTest, SendNowOfAnEventThatAsksAgainQueuesTheRepostAndLeaksNothing)
{
    RecordingHandler handler("h");
    manager_.Register(&handler, TypeOf(new NamedEvent("")));
    EXPECT_TRUE(manager_.SendNow(RepostedEvent("again")));
    EXPECT_EQ(entries_, (std::vector<std::string>{"h:again"})) << "the first dispatch is at once";
    ASSERT_TRUE(JournalHas(3));
    DrainLoop();
    EXPECT_EQ(entries_, (std::vector<std::string>{"h:again", "h:again", "h:again"}));
    EXPECT_EQ(RepostedEvent::alive, 0);
}

namespace
{
// Takes the storage of the last one freed, as a busy allocator does, so that an event
// submitted after a removal lands at the address of the one removed. Thread-bound to the
// test's thread.
class RecycledEvent : public NamedEvent
{
public:
    using NamedEvent::NamedEvent;
    RecycledEvent* Clone() const override { return new RecycledEvent(*this); }
    static void* operator new(std::size_t size)
    {
        return spare ? std::exchange(spare, nullptr) : ::operator new(size);
    }
    static void operator delete(void* storage)
    {
        ::operator delete(spare);
        spare = storage;
    }

private:
    static void* spare;
};
void* RecycledEvent::spare = nullptr;
} // namespace

TEST_F(EventManagerTest, AnEventAtTheAddressOfARemovedOneWaitsForItsOwnTurn)
{
    RecordingHandler handler("h");
    manager_.Register(&handler, TypeOf(new NamedEvent("")));
    manager_.Submit(RecycledEvent("1"));
    manager_.Submit(RecycledEvent("2"));
    manager_.RemovePending([](const IEvent& event)
                           { return static_cast<const NamedEvent&>(event).name == "1"; });
    manager_.Submit(RecycledEvent("3"));
    ASSERT_TRUE(JournalHas(2));
    DrainLoop();
    EXPECT_EQ(entries_, (std::vector<std::string>{"h:2", "h:3"}));
}

TEST_F(EventManagerTest, AnEventRemovedByItsOwnHandlerFinishesItsDispatchAndIsNotReposted)
{
    RecordingHandler handler("h");
    handler.action = [&](const IEvent&)
    { manager_.RemovePending([](const IEvent&) { return true; }); };
    manager_.Register(&handler, TypeOf(new NamedEvent("")));
    manager_.Submit(RepostedEvent("again"));
    ASSERT_TRUE(JournalHas(1));
    DrainLoop();
    EXPECT_EQ(entries_, (std::vector<std::string>{"h:again"}));
    EXPECT_EQ(RepostedEvent::alive, 0);
}

TEST_F(EventManagerTest, AThrowingHandlerIsLoggedAndDispatchingGoesOn)
{
    RecordingHandler thrower("t"), next("n");
    thrower.action = [](const IEvent& event)
    {
        if (static_cast<const NamedEvent&>(event).name == "bad")
            throw std::runtime_error("handler failed");
    };
    manager_.Register(&thrower, TypeOf(new NamedEvent("")));
    manager_.Register(&next, TypeOf(new NamedEvent("")));
    testing::internal::CaptureStderr();
    manager_.Submit(NamedEvent("bad"));
    manager_.Submit(NamedEvent("good"));
    const bool delivered = JournalHas(4);
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(delivered);
    EXPECT_EQ(entries_, (std::vector<std::string>{"t:bad", "n:bad", "t:good", "n:good"}))
        << "the other handlers of the event are still called";
    EXPECT_NE(log.find("[Event System:2]"), std::string::npos) << log;
    EXPECT_NE(log.find("NamedEvent: handler failed"), std::string::npos) << log;
    EXPECT_FALSE(manager_.IsDispatching());
    EXPECT_TRUE(manager_.SendNow(NamedEvent("now"))) << "the type is no longer being dispatched";
}
