#include "params/FakeLumeParamObserver.h"
#include "params/ParamListHandler.h"
#include "tests/params/ParamTestSupport.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <thread>

using namespace ParamTest;

namespace
{
VStringStd NameOf(const IParamList& list, unsigned index)
{
    VStringStd name;
    list.GetParamName(index, name);
    return name;
}

class DefinitionListTest : public testing::Test
{
protected:
    DefinitionListTest() { DefineDeviceLike(definitions_); }

    VParamDefinitionList definitions_{Text("Control"), Text("Control parameters"),
                                      Text("Description"), Text("General")};
};

class RecordingListObserver : public IParamListObserver
{
public:
    void OnParamValueChanged(const IParamList&, const IParam& param) override
    {
        VStringStd name;
        param.GetName(name);
        events.push_back("value " + name.Str());
    }
    void OnParamAttributesChanged(const IParamList&, const IParam& param, unsigned mask) override
    {
        VStringStd name;
        param.GetName(name);
        events.push_back("attributes " + name.Str() + " " + std::to_string(mask));
    }
    void OnListAttributesChanged(const IParamList&, unsigned mask) override
    {
        events.push_back("list " + std::to_string(mask));
    }
    void OnParamListChanged(const IParamList&) override { events.push_back("changed"); }
    std::vector<std::string> events;
};

// A device-like owner of a list handler, with member functions bound to it.
struct Device
{
    bool AllowValue(const IParamList&, const IParam&) { return allowValues; }
    bool AllowList(const IParamList&, unsigned) { return allowList; }
    void HandlerSet(IParamList&) { ++handlerSetCalls; }
    void OnMode(int mode) { modes.push_back(mode); }

    bool allowValues = false;
    bool allowList = false;
    int handlerSetCalls = 0;
    std::vector<int> modes;
};

using DeviceHandler = VParamListHandler<Device>::Handler;

// Knows the lists it is attached to; runs `onDetach` on the thread that detaches it.
class AttachRecorder : public IParamListHandler
{
public:
    void Attach(IParamList& list) override { attached.insert(&list); }
    void Detach(IParamList& list) override
    {
        attached.erase(&list);
        if (onDetach)
            onDetach();
    }
    std::set<const IParamList*> attached;
    std::function<void()> onDetach;
};

DeviceHandler::Callbacks DeviceCallbacks()
{
    DeviceHandler::Callbacks callbacks;
    callbacks.onHandlerSet = &Device::HandlerSet;
    callbacks.allowParamValueChange = &Device::AllowValue;
    callbacks.allowListAttributesChange = &Device::AllowList;
    return callbacks;
}
} // namespace

TEST_F(DefinitionListTest, DefinitionsFreezeWhileAListExists)
{
    EXPECT_EQ(Define(definitions_, "Rate", VParamObjectInt(0)), nullptr) << "duplicate name";
    EXPECT_NE(Define(definitions_, "rate", VParamObjectInt(0)), nullptr) << "case-sensitive";
    {
        VDestroyableHandle<IParamList> list = definitions_.CreateParamList();
        EXPECT_FALSE(definitions_.CanAddDefinitions());
        EXPECT_EQ(Define(definitions_, "Late", VParamObjectInt(0)), nullptr);
        VDestroyableHandle<IParamList> second = list->Clone();
        list.reset();
        EXPECT_FALSE(definitions_.CanAddDefinitions()) << "the clone still exists";
    }
    EXPECT_TRUE(definitions_.CanAddDefinitions());
    EXPECT_NE(Define(definitions_, "Late", VParamObjectInt(0)), nullptr);
}

// A device's last reference, and with it its list, can be released by the thread serving it
// while the main thread makes or destroys the lists of other devices of the same type.
TEST_F(DefinitionListTest, ListsOfOneTypeMayBeDestroyedOnSeveralThreadsAtOnce)
{
    constexpr int kRounds = 200;
    std::vector<VDestroyableHandle<IParamList>> elsewhere;
    for (int i = 0; i < kRounds; ++i)
        elsewhere.push_back(definitions_.CreateParamList());
    std::thread releaser([&] { elsewhere.clear(); });
    for (int i = 0; i < kRounds; ++i)
    {
        VDestroyableHandle<IParamList> list = definitions_.CreateParamList();
        EXPECT_FALSE(definitions_.CanAddDefinitions());
    }
    releaser.join();
    EXPECT_TRUE(definitions_.CanAddDefinitions());
}

TEST_F(DefinitionListTest, VisitSkipsAListDestroyedOnAnotherThreadMeanwhile)
{
    VDestroyableHandle<IParamList> first = definitions_.CreateParamList();
    VDestroyableHandle<IParamList> second = definitions_.CreateParamList();
    VDestroyableHandle<IParamList> third = definitions_.CreateParamList();
    const std::vector<const IParamList*> expected{first.get(), third.get()};
    std::vector<const IParamList*> visited;
    definitions_.ForEachParamList(
        [&](IParamList& list)
        {
            EXPECT_EQ(list.GetParamCount(), 4u);
            visited.push_back(&list);
            if (&list == first.get())
                std::thread([&] { second.reset(); }).join();
        },
        true);
    EXPECT_EQ(visited, expected);
}

TEST_F(DefinitionListTest, ListDestroyedOnAnotherThreadDuringItsVisitWaitsForTheVisit)
{
    AttachRecorder handler;
    VDestroyableHandle<IParamList> list =
        definitions_.CreateParamList(Text("Device"), Text("Device 1"), &handler);
    std::atomic<bool> visitEnded{false};
    std::atomic<bool> detachedAfterVisit{false};
    handler.onDetach = [&] { detachedAfterVisit = visitEnded.load(); };
    std::promise<void> destroying;
    std::thread releaser;
    definitions_.ForEachParamList(
        [&](IParamList& visitedList)
        {
            releaser = std::thread(
                [&]
                {
                    destroying.set_value();
                    list.reset();
                });
            ASSERT_EQ(destroying.get_future().wait_for(std::chrono::seconds(10)),
                      std::future_status::ready);
            for (int value = 0; value < 100; ++value)
                EXPECT_TRUE(SetParamValue(*visitedList.FindParam(Text("Mode")), value, true));
            visitEnded = true;
        },
        true);
    releaser.join();
    EXPECT_TRUE(detachedAfterVisit);
    EXPECT_TRUE(handler.attached.empty());
}

// A device's list released on the thread serving it while the main thread visits the
// lists of its type and makes and destroys others.
TEST_F(DefinitionListTest, VisitsRaceListsDestroyedOnAWorker)
{
    constexpr int kLists = 100;
    VDestroyableHandle<IParamList> kept = definitions_.CreateParamList();
    std::vector<VDestroyableHandle<IParamList>> lists;
    for (int i = 0; i < kLists; ++i)
        lists.push_back(definitions_.CreateParamList());
    std::atomic<bool> released{false};
    std::thread releaser(
        [&]
        {
            while (!lists.empty())
                lists.pop_back();
            released = true;
        });
    int visits = 0;
    do
    {
        definitions_.ForEachParamList(
            [&](IParamList& list)
            {
                VStringStd text;
                EXPECT_TRUE(list.FindParam(Text("Rate"))->GetValueAsString(text));
                ++visits;
            },
            true);
        definitions_.CreateParamList();
    } while (!released);
    releaser.join();
    EXPECT_GE(visits, 1);
    kept.reset();
    EXPECT_TRUE(definitions_.CanAddDefinitions());
}

TEST_F(DefinitionListTest, VisitorsMayMakeAndDestroyListsIncludingTheVisitedOne)
{
    std::vector<VDestroyableHandle<IParamList>> lists;
    for (int i = 0; i < 3; ++i)
        lists.push_back(definitions_.CreateParamList());
    int visits = 0;
    int nestedVisits = 0;
    definitions_.ForEachParamList(
        [&](IParamList& list)
        {
            ++visits;
            VDestroyableHandle<IParamList> extra = definitions_.CreateParamList();
            definitions_.ForEachParamList([&](IParamList&) { ++nestedVisits; }, true);
            for (auto& handle : lists)
                if (handle.get() == &list)
                    handle.reset();
        },
        true);
    EXPECT_EQ(visits, 3);
    EXPECT_EQ(nestedVisits, 4 + 3 + 2) << "the visited list, the later ones and the extra";
    EXPECT_TRUE(definitions_.CanAddDefinitions());
}

TEST_F(DefinitionListTest, DestroyedListDetachesFromItsHandler)
{
    AttachRecorder handler;
    VDestroyableHandle<IParamList> first =
        definitions_.CreateParamList(Text("Device"), Text("Device 1"), &handler);
    VDestroyableHandle<IParamList> second =
        definitions_.CreateParamList(Text("Device"), Text("Device 2"), &handler);
    first.reset();
    EXPECT_EQ(handler.attached, (std::set<const IParamList*>{second.get()}));
}

TEST_F(DefinitionListTest, ListHoldsOneDefaultParameterPerDefinitionInOrder)
{
    VDestroyableHandle<IParamList> list = definitions_.CreateParamList();
    ASSERT_EQ(list->GetParamCount(), definitions_.GetDefinitionCount());
    const char* names[] = {"Rate", "Mode", "Enabled", "Type"};
    for (unsigned i = 0; i < 4; ++i)
    {
        EXPECT_EQ(NameOf(*list, i).Str(), names[i]);
        VStringStd definitionName;
        ASSERT_TRUE(definitions_.GetDefinitionName(i, definitionName));
        EXPECT_EQ(definitionName.Str(), names[i]);
        EXPECT_TRUE(list->FindParam(Text(names[i]))->IsDefault());
    }
    VStringStd name;
    EXPECT_FALSE(list->GetParamName(4, name));
    EXPECT_FALSE(definitions_.GetDefinitionName(4, name));
    EXPECT_EQ(list->FindParam(Text("Missing")), nullptr);
    EXPECT_EQ(list->FindParam(Text("rate")), nullptr);
    definitions_.GetQualifiedName(name);
    EXPECT_EQ(name.Str(), "General Control parameters");
}

TEST_F(DefinitionListTest, DefinitionFlagsReachEveryParameter)
{
    IParamDefinition* info = Define(definitions_, "FirmwareVersion", VParamObjectInt(82));
    info->SetFlagC(true);
    info->SetReadOnly(true);
    VDestroyableHandle<IParamList> list = definitions_.CreateParamList();
    const IParam& firmware = *list->FindParam(Text("FirmwareVersion"));
    EXPECT_TRUE(firmware.GetFlagC());
    EXPECT_TRUE(firmware.IsReadOnly());
    EXPECT_FALSE(list->FindParam(Text("Rate"))->IsReadOnly());
}

TEST_F(DefinitionListTest, NonEditableListMakesEveryParameterReadOnlyAndSaysSo)
{
    VDestroyableHandle<IParamList> list = definitions_.CreateParamList();
    RecordingObserver rateObserver;
    RecordingListObserver listObserver;
    list->FindParam(Text("Rate"))->AddObserver(&rateObserver, false);
    list->AddObserver(&listObserver, false);
    ASSERT_TRUE(list->SetEditable(false));
    EXPECT_TRUE(list->SetEditable(false));
    for (unsigned i = 0; i < list->GetParamCount(); ++i)
        EXPECT_TRUE(list->FindParam(NameOf(*list, i))->IsReadOnly());
    EXPECT_FALSE(SetParamValue(*list->FindParam(Text("Rate")), 2.0, true));
    EXPECT_EQ(rateObserver.events, (std::vector<std::string>{"observing", "attributes 1"}));
    EXPECT_EQ(listObserver.events,
              (std::vector<std::string>{"list 32", "attributes Rate 1", "attributes Mode 1",
                                        "attributes Enabled 1", "attributes Type 1"}));
}

TEST_F(DefinitionListTest, ListHandlerVetoesAndADisabledHandlerAllowsEverything)
{
    Device device;
    DeviceHandler handler(device, DeviceCallbacks());
    VDestroyableHandle<IParamList> list =
        definitions_.CreateParamList(Text("Device"), Text("Device 1"), &handler);
    EXPECT_EQ(device.handlerSetCalls, 1);
    EXPECT_TRUE(handler.IsAttachedTo(*list));
    IParam& mode = *list->FindParam(Text("Mode"));
    EXPECT_FALSE(SetParamValue(mode, 2, true));
    EXPECT_FALSE(list->SetEditable(false));
    EXPECT_TRUE(list->IsEditable());
    EXPECT_FALSE(list->ValidateAll());
    EXPECT_FALSE(list->TouchAll());
    handler.SetEnabled(false);
    EXPECT_TRUE(SetParamValue(mode, 2, true));
    EXPECT_TRUE(list->SetEditable(false));
    EXPECT_TRUE(list->ValidateAll());
    EXPECT_FALSE(list->SetHandler(&handler)) << "one handler at a time";
    EXPECT_FALSE(list->RemoveHandler(nullptr));
    EXPECT_TRUE(list->RemoveHandler(&handler));
    EXPECT_FALSE(handler.IsAttachedTo(*list));
}

TEST_F(DefinitionListTest, HandlerIsNotSetWhenAParameterAlreadyHasOne)
{
    VDestroyableHandle<IParamList> list = definitions_.CreateParamList();
    class Refusing : public IParamHandler
    {
        bool AllowValueChange(const IParam&) override { return false; }
        bool AllowAttributesChange(const IParam&, unsigned) override { return false; }
    } own;
    list->FindParam(Text("Enabled"))->SetHandler(&own);
    Device device;
    DeviceHandler handler(device, DeviceCallbacks());
    EXPECT_FALSE(list->SetHandler(&handler));
    EXPECT_EQ(device.handlerSetCalls, 0);
    EXPECT_TRUE(SetParamValue(*list->FindParam(Text("Mode")), 2, true))
        << "the parameters set before the failure were given back";
}

TEST_F(DefinitionListTest, CopyCompareAndCloneNeedTheSameDefinitions)
{
    VDestroyableHandle<IParamList> first = definitions_.CreateParamList();
    VDestroyableHandle<IParamList> second = definitions_.CreateParamList();
    VParamDefinitionList otherDefinitions{Text("Other"), Text("Other"), Text(""), Text("")};
    DefineDeviceLike(otherDefinitions);
    VDestroyableHandle<IParamList> foreign = otherDefinitions.CreateParamList();

    SetParamValue(*first->FindParam(Text("Rate")), 50.0, true);
    EXPECT_TRUE(first->HasSameDefinition(*second));
    EXPECT_FALSE(first->IsEqual(*second));
    EXPECT_FALSE(foreign->CopyValuesFrom(*first));
    EXPECT_TRUE(foreign->FindParam(Text("Rate"))->IsDefault());
    EXPECT_FALSE(first->IsEqual(*foreign));
    EXPECT_TRUE(second->CopyValuesFrom(*first));
    EXPECT_TRUE(first->IsEqual(*second));
    EXPECT_TRUE(first->Clone()->IsEqual(*first));
}

TEST_F(DefinitionListTest, CopyIntoAListWhoseHandlerRefusesLeavesRefusedParametersAlone)
{
    VDestroyableHandle<IParamList> source = definitions_.CreateParamList();
    IParam& sourceRate = *source->FindParam(Text("Rate"));
    SetParamValue(sourceRate, 50.0, true);
    sourceRate.SetFlagB(true);
    Device device;
    DeviceHandler handler(device, DeviceCallbacks());
    VDestroyableHandle<IParamList> target =
        definitions_.CreateParamList(Text("Device"), Text("Device 1"), &handler);
    const IParam& targetRate = *target->FindParam(Text("Rate"));
    EXPECT_FALSE(target->CopyValuesFrom(*source));
    EXPECT_TRUE(targetRate.IsDefault());
    EXPECT_FALSE(targetRate.GetFlagB());
    device.allowValues = true;
    EXPECT_TRUE(target->CopyValuesFrom(*source));
    EXPECT_TRUE(target->IsEqual(*source));
}

TEST_F(DefinitionListTest, ListObserversHearEveryParameterWhileTheyAreRegistered)
{
    VDestroyableHandle<IParamList> list = definitions_.CreateParamList();
    IParam& mode = *list->FindParam(Text("Mode"));
    RecordingListObserver first, second;
    ASSERT_TRUE(list->AddObserver(&first, false));
    EXPECT_EQ(static_cast<VParam&>(mode).GetObserverCount(), 1u);
    SetParamValue(mode, 2, true);
    ASSERT_TRUE(list->AddObserver(&second, true));
    EXPECT_EQ(second.events.size(), 8u) << "value and attributes of each of the four";
    EXPECT_EQ(second.events[2], "value Mode");
    EXPECT_EQ(second.events[3], "attributes Mode 63");
    list->NotifyListChanged();
    list->RemoveObserver(&first);
    list->RemoveObserver(&second);
    EXPECT_EQ(static_cast<VParam&>(mode).GetObserverCount(), 0u)
        << "the list stops observing with its last observer gone";
    SetParamValue(mode, 3, true);
    EXPECT_EQ(first.events, (std::vector<std::string>{"value Mode", "changed"}));
}

TEST_F(DefinitionListTest, DefinitionListObserversHearOfListsAndOfItsEnd)
{
    struct Observer : IParamDefinitionListObserver
    {
        void OnParamListCreated(const IParamList& list) override
        {
            VStringStd name;
            list.GetName(name);
            events.push_back("created " + name.Str());
        }
        void OnDefinitionListDestroyed(const IParamDefinitionList&) override
        {
            events.push_back("destroyed");
        }
        std::vector<std::string> events;
    } observer;
    {
        VParamDefinitionList definitions{Text("C"), Text("C"), Text(""), Text("")};
        definitions.AddObserver(&observer);
        auto list = definitions.CreateParamList(Text("Camera 1"), Text(""), nullptr);
        int visited = 0;
        definitions.ForEachParamList([&](IParamList&) { ++visited; }, false);
        EXPECT_EQ(visited, 0);
        definitions.ForEachParamList([&](IParamList&) { ++visited; }, true);
        EXPECT_EQ(visited, 1);
    }
    EXPECT_EQ(observer.events, (std::vector<std::string>{"created Camera 1", "destroyed"}));
}

TEST_F(DefinitionListTest, TypedObserverCallsTheDeviceWithTheValueOrZero)
{
    VDestroyableHandle<IParamList> list = definitions_.CreateParamList();
    IParam& mode = *list->FindParam(Text("Mode"));
    Device device;
    {
        VFakeLumeParamObserver<Device, int, &Device::OnMode> observer(mode, device, true);
        SetParamValue(mode, 2, true);
        mode.ClearValue(true);
        EXPECT_EQ(static_cast<VParam&>(mode).GetObserverCount(), 1u);
    }
    EXPECT_EQ(static_cast<VParam&>(mode).GetObserverCount(), 0u);
    SetParamValue(mode, 1, true);
    EXPECT_EQ(device.modes, (std::vector<int>{3, 2, 0}));
}
