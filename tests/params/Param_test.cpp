#include "params/ParamObjectTypes.h"
#include "tests/params/ParamTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace ParamTest;

namespace
{
class ParamTest : public testing::Test
{
protected:
    ParamTest()
    {
        DefineDeviceLike(definitions_);
        list_ = definitions_.CreateParamList();
    }

    IParam& Param(const char* name) { return *list_->FindParam(Text(name)); }
    std::string TextOf(const char* name)
    {
        VStringStd text;
        return Param(name).GetValueAsString(text) ? text.Str() : "<empty>";
    }

    VParamDefinitionList definitions_{Text("Control"), Text("Control parameters"),
                                      Text("Description"), Text("General")};
    VDestroyableHandle<IParamList> list_;
};

class VetoHandler : public IParamHandler
{
public:
    bool AllowValueChange(const IParam&) override { return allowValues; }
    bool AllowAttributesChange(const IParam&, unsigned mask) override
    {
        masks.push_back(mask);
        return allowAttributes;
    }
    bool allowValues = false;
    bool allowAttributes = false;
    std::vector<unsigned> masks;
};
} // namespace

TEST_F(ParamTest, SettingTheCurrentValueIsAcceptedSilently)
{
    RecordingObserver observer;
    Param("Rate").AddObserver(&observer, false);
    EXPECT_TRUE(SetParamValue(Param("Rate"), 1.0, true));
    EXPECT_TRUE(SetParamValue(Param("Rate"), 59.94, true));
    EXPECT_TRUE(Param("Rate").SetValueFromString(Text("59.94"), true));
    EXPECT_EQ(observer.events, (std::vector<std::string>{"observing", "value 59.94"}));
}

TEST_F(ParamTest, TextFormsAndParseFailuresThroughTheParameter)
{
    RecordingObserver observer;
    Param("Enabled").AddObserver(&observer, false);
    EXPECT_TRUE(Param("Enabled").SetValueFromString(Text("TRUE"), true));
    EXPECT_EQ(TextOf("Enabled"), "1");
    EXPECT_TRUE(Param("Enabled").SetValueFromString(Text("False"), true));
    EXPECT_EQ(TextOf("Enabled"), "0");
    for (const char* bad : {"yes", "2", ""})
        EXPECT_FALSE(Param("Enabled").SetValueFromString(Text(bad), true)) << bad;
    EXPECT_EQ(TextOf("Enabled"), "0") << "a failed parse restores the value";
    EXPECT_EQ(observer.events, (std::vector<std::string>{"observing", "value 1", "value 0"}));

    EXPECT_TRUE(Param("Mode").SetValueFromString(Text("42 "), true));
    EXPECT_EQ(TextOf("Mode"), "42");
    EXPECT_FALSE(Param("Mode").SetValueFromString(Text("42x"), true));
    EXPECT_EQ(TextOf("Mode"), "42");

    VStringStd nanText;
    VParamObjectDouble(std::nan("")).ToString(nanText);
    EXPECT_TRUE(Param("Rate").SetValueFromString(nanText, true));
    double rate = 0;
    ASSERT_TRUE(GetParamValue(Param("Rate"), rate));
    EXPECT_TRUE(std::isnan(rate));
    EXPECT_TRUE(SetParamValue(Param("Rate"), 0.1234567, true));
    EXPECT_EQ(TextOf("Rate"), "0.123457");
}

TEST_F(ParamTest, TypedAccessRefusesOtherTypes)
{
    EXPECT_FALSE(SetParamValue(Param("Rate"), 5, true)) << "an int into a double parameter";
    int wrong = 0;
    EXPECT_FALSE(GetParamValue(Param("Rate"), wrong));
    EXPECT_FALSE(Param("Rate").SetValue(VParamObjectInt(5), true));
    EXPECT_EQ(TextOf("Rate"), "1");
    EXPECT_TRUE(SetParamValue(Param("Type"), VStringStd("Camera"), true));
    EXPECT_EQ(TextOf("Type"), "Camera");
}

TEST_F(ParamTest, ReadOnlyRefusesOnlyWhenAskedToRespectIt)
{
    ASSERT_TRUE(Param("Rate").SetReadOnly(true));
    EXPECT_FALSE(SetParamValue(Param("Rate"), 2.0, true));
    EXPECT_FALSE(Param("Rate").SetValueFromString(Text("3"), true));
    EXPECT_FALSE(Param("Rate").ClearValue(true));
    EXPECT_EQ(TextOf("Rate"), "1");
    EXPECT_TRUE(SetParamValue(Param("Rate"), 2.0, false));
    EXPECT_EQ(TextOf("Rate"), "2");
}

TEST_F(ParamTest, HandlerVetoRestoresSilently)
{
    VetoHandler handler;
    RecordingObserver observer;
    ASSERT_TRUE(Param("Mode").SetHandler(&handler));
    EXPECT_FALSE(Param("Mode").SetHandler(&handler)) << "one handler at a time";
    Param("Mode").AddObserver(&observer, false);
    EXPECT_FALSE(SetParamValue(Param("Mode"), 2, true));
    EXPECT_FALSE(Param("Mode").ClearValue(true));
    EXPECT_EQ(TextOf("Mode"), "3");
    EXPECT_FALSE(Param("Mode").Validate());
    handler.allowValues = true;
    EXPECT_TRUE(SetParamValue(Param("Mode"), 2, true));
    EXPECT_TRUE(Param("Mode").Validate());
    EXPECT_EQ(observer.events, (std::vector<std::string>{"observing", "value 2"}));
    EXPECT_FALSE(Param("Mode").RemoveHandler(nullptr));
    EXPECT_TRUE(Param("Mode").RemoveHandler(&handler));
}

TEST_F(ParamTest, EmptyParameterHasNoValueText)
{
    RecordingObserver observer;
    Param("Type").AddObserver(&observer, false);
    EXPECT_TRUE(Param("Type").ClearValue(true));
    EXPECT_TRUE(Param("Type").ClearValue(true));
    EXPECT_FALSE(Param("Type").HasValue());
    EXPECT_EQ(Param("Type").GetValue(), nullptr);
    EXPECT_EQ(TextOf("Type"), "<empty>");
    EXPECT_FALSE(Param("Type").IsValid());
    EXPECT_TRUE(Param("Type").ResetToDefault(true));
    EXPECT_TRUE(Param("Type").HasValue());
    EXPECT_EQ(observer.events, (std::vector<std::string>{"observing", "value empty", "value "}));
}

TEST_F(ParamTest, ObserverAddedWithNotifyNowHearsEverythingInOrder)
{
    RecordingObserver observer;
    EXPECT_TRUE(Param("Mode").AddObserver(&observer, true));
    EXPECT_FALSE(Param("Mode").AddObserver(&observer, true));
    EXPECT_TRUE(Param("Mode").RemoveObserver(&observer));
    EXPECT_FALSE(Param("Mode").RemoveObserver(&observer));
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"observing", "value 3", "attributes 63", "stop"}));
}

namespace
{
// Removes itself, or another observer, on its first value or attribute notification.
class RemovingObserver : public RecordingObserver
{
public:
    void OnValueChanged(const IParam& param) override
    {
        RecordingObserver::OnValueChanged(param);
        RemoveTarget(param);
    }
    void OnAttributesChanged(const IParam& param, unsigned mask) override
    {
        RecordingObserver::OnAttributesChanged(param, mask);
        RemoveTarget(param);
    }
    IParamObserver* toRemove = nullptr;
    bool deleteRemoved = false;

private:
    void RemoveTarget(const IParam& param)
    {
        IParamObserver* target = std::exchange(toRemove, nullptr);
        if (!target)
            return;
        const_cast<IParam&>(param).RemoveObserver(target);
        if (deleteRemoved)
            delete target;
    }
};

// Owned by nobody: removes and deletes itself on its first attribute notification.
class SelfDeletingObserver : public IParamObserver
{
public:
    void OnAttributesChanged(const IParam& param, unsigned) override
    {
        const_cast<IParam&>(param).RemoveObserver(this);
        delete this;
    }
};
} // namespace

TEST_F(ParamTest, ObserversMayRemoveThemselvesOrOthersDuringANotification)
{
    RemovingObserver self, killer;
    RecordingObserver victim, last;
    self.toRemove = &self;
    killer.toRemove = &victim;
    for (IParamObserver* observer : std::vector<IParamObserver*>{&self, &killer, &victim, &last})
        Param("Mode").AddObserver(observer, false);
    SetParamValue(Param("Mode"), 2, true);
    SetParamValue(Param("Mode"), 1, true);
    EXPECT_EQ(self.events, (std::vector<std::string>{"observing", "value 2", "stop"}));
    EXPECT_EQ(victim.events, (std::vector<std::string>{"observing", "stop"}))
        << "removed before its turn, so never called";
    EXPECT_EQ(last.events, (std::vector<std::string>{"observing", "value 2", "value 1"}));
}

TEST_F(ParamTest, ObserversMayRemoveOrDeleteThemselvesOrOthersDuringAnAttributeNotification)
{
    RemovingObserver remover, deleter;
    RecordingObserver victim, last;
    remover.toRemove = &victim;
    deleter.toRemove = new RecordingObserver;
    deleter.deleteRemoved = true;
    IParam& mode = Param("Mode");
    for (IParamObserver* observer :
         std::vector<IParamObserver*>{new SelfDeletingObserver, &remover, &deleter, &victim,
                                      deleter.toRemove, &last, new SelfDeletingObserver})
        mode.AddObserver(observer, false);
    ASSERT_TRUE(mode.SetFlagB(true));
    ASSERT_TRUE(mode.SetFlagB(false));
    EXPECT_EQ(victim.events, (std::vector<std::string>{"observing", "stop"}))
        << "removed before its turn, so never called";
    EXPECT_EQ(last.events, (std::vector<std::string>{"observing", "attributes 2", "attributes 2"}));
    EXPECT_EQ(static_cast<VParam&>(mode).GetObserverCount(), 3u);
}

namespace
{
// Reads the snapshot of the value before the change, and changes the value again.
class SnapshotObserver : public IParamObserver
{
public:
    void OnValueChanged(const IParam& param) override
    {
        VStringStd text;
        const IParam* before = param.GetLastSnapshot();
        previous = before && before->GetValueAsString(text) ? text.Str() : "<none>";
        VVector<const IParam*> snapshots;
        snapshotCount = param.GetValueSnapshots(snapshots) ? snapshots.Size() : 0;
        ++calls;
        if (changeTo)
            SetParamValue(const_cast<IParam&>(param), *std::exchange(changeTo, nullptr), true);
    }
    std::string previous;
    std::size_t snapshotCount = 0;
    int calls = 0;
    const int* changeTo = nullptr;
};
} // namespace

TEST_F(ParamTest, ObserversSeeThePreviousValueAndTheirOwnChangesAreNotRenotified)
{
    SnapshotObserver observer;
    const int nested = 7;
    observer.changeTo = &nested;
    Param("Mode").AddObserver(&observer, false);
    ASSERT_TRUE(SetParamValue(Param("Mode"), 2, true));
    EXPECT_EQ(observer.previous, "3");
    EXPECT_EQ(observer.snapshotCount, 1u);
    EXPECT_EQ(observer.calls, 1) << "a change made during the notification is nested: silent";
    EXPECT_EQ(TextOf("Mode"), "7");
    EXPECT_EQ(Param("Mode").GetLastSnapshot(), nullptr) << "no snapshot outside a change";
}

TEST_F(ParamTest, RangeBoundsAndChoicesDecideValidity)
{
    EXPECT_TRUE(Param("Rate").IsRange());
    EXPECT_TRUE(SetParamValue(Param("Rate"), 10000.0, true));
    EXPECT_TRUE(Param("Rate").IsValid());
    EXPECT_TRUE(SetParamValue(Param("Rate"), 10000.5, true)) << "an invalid value is still set";
    EXPECT_FALSE(Param("Rate").IsValid());
    EXPECT_TRUE(SetParamValue(Param("Rate"), -0.5, true));
    EXPECT_FALSE(Param("Rate").IsValid());

    EXPECT_FALSE(Param("Mode").IsRange());
    EXPECT_TRUE(Param("Mode").IsValid());
    EXPECT_TRUE(SetParamValue(Param("Mode"), 1, true));
    EXPECT_FALSE(Param("Mode").IsValid());
    EXPECT_TRUE(Param("Mode").SelectChoice(Text("Master"), true));
    EXPECT_EQ(TextOf("Mode"), "2");
    unsigned index = 99;
    const IParam* choice = nullptr;
    ASSERT_TRUE(Param("Mode").FindMatchingChoice(index, choice));
    EXPECT_EQ(index, 1u);
    EXPECT_TRUE(Param("Mode").SelectChoice(0u, true));
    EXPECT_EQ(TextOf("Mode"), "3");
    EXPECT_FALSE(Param("Mode").SelectChoice(2u, true));
    EXPECT_FALSE(Param("Mode").SelectChoice(Text("master"), true)) << "names are case-sensitive";
    EXPECT_EQ(Param("Mode").FindChoice(Text("Slave")), nullptr);
    VStringStd name;
    EXPECT_FALSE(Param("Mode").GetChoice(2, choice, name));
    ASSERT_TRUE(Param("Mode").GetChoice(1, choice, name));
    EXPECT_EQ(name.Str(), "Master");
    EXPECT_TRUE(Param("Enabled").IsValid()) << "no children: any value is valid";
}

TEST_F(ParamTest, AttributeChangesNotifyTheirBitsOnceAndHonourTheHandler)
{
    RecordingObserver observer;
    IParam& mode = Param("Mode");
    mode.AddObserver(&observer, false);
    EXPECT_TRUE(mode.SetReadOnly(true));
    EXPECT_TRUE(mode.SetReadOnly(true));
    mode.BeginAttributeChange();
    mode.SetFlagB(true);
    mode.SetFlagE(true);
    mode.SetFlagC(true);
    EXPECT_TRUE(mode.EndAttributeChange());
    EXPECT_TRUE(mode.TouchAttributes());
    EXPECT_EQ(observer.events, (std::vector<std::string>{"observing", "attributes 1",
                                                         "attributes 22", "attributes 63"}));

    VetoHandler handler;
    mode.SetHandler(&handler);
    EXPECT_FALSE(mode.SetReadOnly(false));
    EXPECT_TRUE(mode.IsReadOnly());
    EXPECT_EQ(handler.masks, (std::vector<unsigned>{ParamAttributeBits::kReadOnly}));
}

TEST_F(ParamTest, OwnChoicesOverrideTheDefinitionsAndReportTheirChanges)
{
    IParam& mode = Param("Mode");
    RecordingObserver observer;
    mode.AddObserver(&observer, false);
    SetParamValue(mode, 5, true);
    IParam* five = mode.AddOwnChoice(Text("Five"));
    ASSERT_NE(five, nullptr);
    EXPECT_TRUE(mode.HasOwnChoices());
    EXPECT_EQ(mode.GetChoiceCount(), 1u);
    EXPECT_EQ(mode.FindChoice(Text("Master")), nullptr);
    EXPECT_TRUE(mode.IsValid());
    EXPECT_TRUE(SetParamValue(*five, 6, true));
    EXPECT_FALSE(five->SetReadOnly(true)) << "a choice's attributes belong to its parent";
    EXPECT_FALSE(mode.IsValid());
    EXPECT_TRUE(mode.ClearOwnChoices());
    EXPECT_EQ(mode.GetChoiceCount(), 2u);
    EXPECT_EQ(observer.events, (std::vector<std::string>{"observing", "value 5", "attributes 8",
                                                         "attributes 8", "attributes 8"}));
}

TEST_F(ParamTest, DefaultsComeFromTheDefinitionOrThePerParameterDefault)
{
    IParam& rate = Param("Rate");
    EXPECT_TRUE(rate.HasDefault());
    EXPECT_TRUE(rate.IsDefault());
    SetParamValue(rate, 25.0, true);
    EXPECT_FALSE(rate.IsDefault());
    EXPECT_TRUE(rate.ResetToDefault(true));
    EXPECT_EQ(TextOf("Rate"), "1");
    rate.SetDefault(VParamObjectDouble(100.0));
    EXPECT_FALSE(rate.IsDefault());
    EXPECT_TRUE(rate.ResetToDefault(true));
    EXPECT_EQ(TextOf("Rate"), "100");
    rate.ClearDefault();
    EXPECT_FALSE(rate.IsDefault());
}

TEST_F(ParamTest, AssignCopiesValueAndAttributesBetweenParametersOfOneDefinition)
{
    VDestroyableHandle<IParamList> other = definitions_.CreateParamList();
    IParam& source = *other->FindParam(Text("Mode"));
    SetParamValue(source, 2, true);
    source.SetFlagB(true);
    RecordingObserver observer;
    Param("Mode").AddObserver(&observer, false);
    EXPECT_TRUE(Param("Mode").IsSameDefinition(source));
    EXPECT_FALSE(Param("Mode").IsSameDefinition(Param("Rate")));
    EXPECT_FALSE(Param("Mode").IsEqual(source));
    EXPECT_TRUE(Param("Mode").Assign(source));
    EXPECT_TRUE(Param("Mode").IsEqual(source));
    EXPECT_EQ(observer.events, (std::vector<std::string>{"observing", "value 2", "attributes 2"}));
}

TEST_F(ParamTest, QueuedValuesComeBackOldestFirst)
{
    IParam& mode = Param("Mode");
    EXPECT_FALSE(mode.DequeueValue());
    mode.QueueValue(VParamObjectInt(1));
    mode.QueueValue(VParamObjectInt(2));
    VStringStd text;
    mode.DequeueValue()->ToString(text);
    EXPECT_EQ(text.Str(), "1");
    mode.DequeueValue()->ToString(text);
    EXPECT_EQ(text.Str(), "2");
    EXPECT_FALSE(mode.DequeueValue());
    EXPECT_EQ(TextOf("Mode"), "3") << "queueing does not change the value";
}

TEST_F(ParamTest, NoMacrosWithoutAProvider)
{
    IParam& mode = Param("Mode");
    VStringStd name;
    EXPECT_EQ(mode.GetMacroCount(), 0u);
    EXPECT_FALSE(mode.GetMacroName(0, name));
    EXPECT_FALSE(mode.GetCurrentMacroName(name));
    EXPECT_FALSE(mode.SetMacro(Text("Any"), true));
    EXPECT_TRUE(mode.DetachMacro(true));
    EXPECT_EQ(mode.GetSemanticValue(), nullptr);
}

TEST_F(ParamTest, TypedReadOfAnEmptyParameterFails)
{
    IParam& mode = Param("Mode");
    ASSERT_TRUE(mode.ClearValue(true));
    int value = -1;
    EXPECT_FALSE(GetParamValue(mode, value));
    EXPECT_EQ(value, -1);
    EXPECT_TRUE(SetParamValue(mode, 2, true)) << "an empty parameter still takes a typed value";
    EXPECT_TRUE(GetParamValue(mode, value));
    EXPECT_EQ(value, 2);
}

TEST_F(ParamTest, ResetToDefaultRestoresTheExactDefault)
{
    IParam& rate = Param("Rate");
    rate.SetDefault(VParamObjectDouble(0.1234567));
    ASSERT_TRUE(rate.ResetToDefault(true));
    EXPECT_TRUE(rate.IsDefault());
    double value = 0;
    ASSERT_TRUE(GetParamValue(rate, value));
    EXPECT_EQ(value, 0.1234567);
    rate.SetDefault(VParamObjectInt(2));
    EXPECT_FALSE(rate.ResetToDefault(true)) << "a default of another type cannot be copied";
    EXPECT_EQ(TextOf("Rate"), "0.123457");
}

TEST_F(ParamTest, RefusedChangesKeepTheOwnChoiceObjectsAndTheirValues)
{
    IParam& mode = Param("Mode");
    SetParamValue(mode, 5, true);
    IParam* five = mode.AddOwnChoice(Text("Five"));
    ASSERT_NE(five, nullptr);
    VetoHandler handler;
    ASSERT_TRUE(mode.SetHandler(&handler));
    RecordingObserver observer;
    mode.AddObserver(&observer, false);
    const auto expectFiveUnchanged = [&](const char* after)
    {
        ASSERT_EQ(mode.GetChoiceCount(), 1u) << after;
        EXPECT_EQ(mode.FindChoice(Text("Five")), five) << after;
        int value = 0;
        EXPECT_TRUE(GetParamValue(*five, value)) << after;
        EXPECT_EQ(value, 5) << after;
    };

    EXPECT_FALSE(SetParamValue(*five, 6, true)) << "the parent's handler refuses";
    expectFiveUnchanged("a refused change of the choice's value");
    EXPECT_FALSE(mode.SetReadOnly(true));
    expectFiveUnchanged("a refused flag change");
    EXPECT_EQ(mode.AddOwnChoice(Text("Six")), nullptr);
    expectFiveUnchanged("a refused new choice");
    EXPECT_FALSE(mode.ClearOwnChoices());
    expectFiveUnchanged("a refused clear");
    mode.BeginAttributeChange();
    EXPECT_TRUE(SetParamValue(*five, 7, true)) << "inside a bracket the parent decides at its end";
    EXPECT_FALSE(mode.EndAttributeChange());
    expectFiveUnchanged("a refused bracket");
    EXPECT_EQ(observer.events, (std::vector<std::string>{"observing"}));

    handler.allowAttributes = true;
    EXPECT_TRUE(SetParamValue(*five, 6, true));
    EXPECT_EQ(mode.FindChoice(Text("Five")), five);
    EXPECT_TRUE(mode.ClearOwnChoices());
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"observing", "attributes 8", "attributes 8"}));
}

TEST_F(ParamTest, RefusedAssignChangesNothing)
{
    VDestroyableHandle<IParamList> other = definitions_.CreateParamList();
    IParam& source = *other->FindParam(Text("Mode"));
    SetParamValue(source, 2, true);
    source.SetFlagB(true);
    source.SetDisplayAttribute(4);
    source.SetDefault(VParamObjectInt(9));
    IParam& mode = Param("Mode");
    VetoHandler handler;
    mode.SetHandler(&handler);
    RecordingObserver observer;
    mode.AddObserver(&observer, false);
    const auto expectUnchanged = [&](const char* refused)
    {
        EXPECT_EQ(TextOf("Mode"), "3") << refused;
        EXPECT_FALSE(mode.GetFlagB()) << refused;
        EXPECT_EQ(mode.GetDisplayAttribute(), 0) << refused;
        EXPECT_TRUE(mode.IsDefault()) << refused;
    };

    handler.allowAttributes = true;
    EXPECT_FALSE(mode.Assign(source));
    expectUnchanged("value refused");
    handler.allowAttributes = false;
    handler.allowValues = true;
    EXPECT_FALSE(mode.Assign(source));
    expectUnchanged("attributes refused");
    EXPECT_EQ(observer.events, (std::vector<std::string>{"observing"}));
}
