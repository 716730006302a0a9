// Camera types: the table a type implies, the names shown for types, the type a recorded
// camera takes and the codes synthetic cameras are made with; and the camera parameters
// the table is written to.

#include "devices/camera/CameraParameters.h"
#include "devices/camera/CameraTypes.h"
#include "params/ParamObjectTypes.h"

#include <gtest/gtest.h>

using namespace CameraTypes;

namespace
{
class CameraParametersTest : public testing::Test
{
protected:
    template <class T> T Value(const char* name) const
    {
        T value{};
        EXPECT_TRUE(GetParamValue(*list_->FindParam(VStringStd(name)), value)) << name;
        return value;
    }

    VParamDefinitionList definitions_{VStringStd("Camera"), VStringStd("Camera"), VStringStd(""),
                                      VStringStd("Device")};
    VDestroyableHandle<IParamList> list_ = Defined(definitions_).CreateParamList();

private:
    static VParamDefinitionList& Defined(VParamDefinitionList& definitions)
    {
        CameraParameters::Define(definitions);
        return definitions;
    }
};
} // namespace

TEST(CameraTypes, TableRowsGiveTheTwelveValues)
{
    const Properties& sorrel = PropertiesOf("SorrelMV");
    EXPECT_EQ(sorrel.protocolVersion, 2);
    EXPECT_EQ(sorrel.packetSize, 4096);
    EXPECT_EQ(sorrel.sensorWidth, 3328);
    EXPECT_EQ(sorrel.sensorHeight, 2424);
    EXPECT_EQ(sorrel.fineThresholdGridWidth, 208);
    EXPECT_EQ(sorrel.fineThresholdGridHeight, 152);
    EXPECT_EQ(sorrel.fineThresholdGridTileWidth, 16);
    EXPECT_EQ(sorrel.fineThresholdGridTileHeight, 16);
    EXPECT_EQ(sorrel.sensorType, "Sorrel M");

    EXPECT_EQ(PropertiesOf("LumeA").packetSize, 0) << "protocol 1 has no packet size";
    EXPECT_EQ(PropertiesOf("TarnD1").sensorWidth, 2344);
    EXPECT_TRUE(PropertiesOf("PELLAR_VIDEO_VGA").supportsVideo);
    EXPECT_FALSE(PropertiesOf("PELLAR_VIDEO_VGA").supportsCentroids);
    EXPECT_EQ(PropertiesOf("LumeDX").sensorType, "MV40") << "in the table, not a choice";

    const Properties& unknown = PropertiesOf("Unknown");
    EXPECT_EQ(unknown.protocolVersion, 0);
    EXPECT_FALSE(unknown.supportsCentroids || unknown.supportsGreyscale || unknown.supportsVideo);
    EXPECT_EQ(unknown.sensorType, "");
    EXPECT_EQ(unknown.sensorWidth, 0);
    EXPECT_EQ(PropertiesOf("lumed").protocolVersion, 0) << "names match exactly";
}

TEST(CameraTypes, DisplayNamesAndChoices)
{
    EXPECT_EQ(GetDisplayName("TarnB1"), "LUME TB");
    EXPECT_EQ(GetDisplayName("PELLAR_B_VIDEO_1MP_C"), "Pellar B (Color Reference Video)");
    EXPECT_EQ(GetDisplayName("SorrelMV"), "SorrelMV");
    EXPECT_EQ(GetDisplayName("whatever"), "whatever");
    ASSERT_EQ(ChoiceNames().size(), 24u);
    EXPECT_EQ(ChoiceNames().front(), "LumeAP");
    EXPECT_EQ(ChoiceNames().back(), "SorrelSV");
}

// The mapping is followed as written: 659 x 494 (not LumeA's own 659 x 493) and 2336 x 1728
// (not TarnD1's 2344) are the sizes it recognises.
TEST(CameraTypes, RecordedTypeTextOrSensorGivesTheType)
{
    EXPECT_EQ(TypeFromX2D("MV40", 0, 0), "LumeD");
    EXPECT_EQ(TypeFromX2D("MV03", 0, 0), "LumeA");
    EXPECT_EQ(TypeFromX2D("LumeB", 1, 1), "LumeB");
    EXPECT_EQ(TypeFromX2D("SorrelSV", 1280, 1024), "SorrelSV") << "other texts stay";
    EXPECT_EQ(TypeFromX2D("", 1280, 1024), "LumeB");
    EXPECT_EQ(TypeFromX2D("", 659, 494), "LumeA");
    EXPECT_EQ(TypeFromX2D("", 659, 493), "");
    EXPECT_EQ(TypeFromX2D("", 2336, 1728), "TarnD1");
    EXPECT_EQ(TypeFromX2D("", 2352, 1728), "LumeD");
    EXPECT_EQ(TypeFromX2D("", 65536, 65536), "") << "no overflow of the product";
}

TEST(CameraTypes, SyntheticCodes)
{
    EXPECT_EQ(SyntheticTypeName(0), "LumeA");
    EXPECT_EQ(SyntheticTypeName(12), "TarnH0");
    EXPECT_EQ(SyntheticTypeName(13), "Unknown");
    EXPECT_EQ(SyntheticTypeName(21), "SorrelLV");
    EXPECT_EQ(SyntheticTypeName(22), "Unknown");
    EXPECT_EQ(SyntheticTypeName(-1), "Unknown");
    EXPECT_EQ(SyntheticStrobeTypeName(2), "Near IR");
    EXPECT_EQ(SyntheticStrobeTypeName(4), "Unknown");
}

TEST_F(CameraParametersTest, CameraParametersFollowTheBaseOnesInOrder)
{
    VStringStd name;
    ASSERT_TRUE(definitions_.GetDefinitionName(14, name));
    EXPECT_EQ(name.Str(), "ProtocolVersion") << "the fourteen base parameters come first";
    ASSERT_TRUE(definitions_.GetDefinitionName(definitions_.GetDefinitionCount() - 1, name));
    EXPECT_EQ(name.Str(), "PacketSize");
    EXPECT_EQ(definitions_.GetDefinitionCount(), 14u + 30u);
    EXPECT_EQ(Value<VStringStd>("DeviceType").Str(), "LumeD");
    EXPECT_EQ(list_->FindParam(VStringStd("DeviceType"))->GetChoiceCount(), 24u);
    EXPECT_EQ(Value<int>("Gain"), 1);
    EXPECT_TRUE(list_->FindParam(VStringStd("Gain"))->IsRange());
    EXPECT_EQ(Value<VStringStd>("StrobeType").Str(), "Visible");
    EXPECT_EQ(list_->FindParam(VStringStd("LED3"))->GetChoiceCount(), 12u);
    EXPECT_EQ(Value<VStringStd>("GreyMode").Str(), "all");
    EXPECT_TRUE(list_->FindParam(VStringStd("PacketSize"))->IsReadOnly());
    EXPECT_TRUE(list_->FindParam(VStringStd("ProtocolVersion"))->GetFlagB());
}

TEST_F(CameraParametersTest, ApplyingATypeWritesItsRowAndAnUnknownTypeZeros)
{
    ApplyCameraType(*list_, "SorrelMV");
    EXPECT_EQ(Value<int>("ProtocolVersion"), 2);
    EXPECT_EQ(Value<int>("PacketSize"), 4096) << "read-only, yet written by the type";
    EXPECT_EQ(Value<VStringStd>("SensorType").Str(), "Sorrel M");
    EXPECT_EQ(Value<int>("FineThresholdGridTileHeight"), 16);
    EXPECT_TRUE(Value<bool>("SupportsCentroids"));

    ApplyCameraType(*list_, "Unknown");
    EXPECT_EQ(Value<int>("ProtocolVersion"), 0);
    EXPECT_EQ(Value<int>("PacketSize"), 0);
    EXPECT_EQ(Value<int>("SensorWidth"), 0);
    EXPECT_FALSE(Value<bool>("SupportsGreyscale"));
    EXPECT_EQ(Value<VStringStd>("SensorType").Str(), "");
}
