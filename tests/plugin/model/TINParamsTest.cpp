// Parameter defaults: names from the current layer and the suffixes of the
// host's string list, cut to 21 characters; one user unit; the default
// interval rule.
#include <limits>
#include <string>

#include "ModelFixture.h"
#include "plugin/model/TTINParams.h"

namespace {

class TINParamsTest : public ModelTest {
 protected:
  // Defaults for a TIN made while a layer called `layerName` is current.
  TTINParams Defaults(const std::string& layerName, bool normalTIN) {
    const tinhost::ObjId layer = host.document().createLayer(layerName, 1.0);
    host.document().setCurrentLayer(layer);
    TTINParams p{};
    p.normalTIN = normalTIN;
    InitTINParams(cb(), &p);
    return p;
  }
  std::string Suffix(std::int16_t index) {
    Str255 s;
    s[0] = 0;
    cb()->GetIndString(cb(), s, kSuffixList, index);
    return ToStd(s);
  }
};

TEST_F(TINParamsTest, OrdinaryTINIsNamedAfterTheCurrentLayer) {
  tinhost::UnitsRecord units;
  units.worldPerUnit = 304;
  host.document().setUnits(units);
  const TTINParams p = Defaults("Site", true);
  EXPECT_EQ(ToStd(p.tinName), "Site");
  EXPECT_EQ(ToStd(p.layer2DName), "Site" + Suffix(kLayer2DSuffixIndex));
  EXPECT_EQ(ToStd(p.layer3DName), "Site" + Suffix(kLayer3DSuffixIndex));
  EXPECT_NE(ToStd(p.layer2DName), ToStd(p.layer3DName));
  EXPECT_EQ(p.contourInterval, 304);
  EXPECT_EQ(p.highContourElev, 304);
  EXPECT_EQ(p.indexContourEvery, 5);
  EXPECT_EQ(p.datumElev | p.contourBaseElev | p.lowContourElev | p.cntr2DVtxKind, 0);
  EXPECT_TRUE(p.want2DCntr && p.want3DTris && p.makeGroups && p.useBrklns && p.notResident);
  EXPECT_FALSE(p.want2DTris || p.want3DCntr || p.labelCntrs || p.wantHull || p.spareFlag);
  EXPECT_TRUE(p.normalTIN);
}

TEST_F(TINParamsTest, DifferenceTINCarriesItsSuffixIntoEveryName) {
  // The host's own resources name a difference TIN after its layer (empty
  // suffix); a host with a suffix shows that it goes into every name.
  const tinhost::Resources withSuffix = tinhost::Resources::parse(
      "[strings 11101]\n13 = ~d\n14 = -2D\n15 = -3D\n");
  tinhost::Host other(tinhost::HostOptions{tinhost::Memory::kDefaultBudget, &withSuffix});
  gKVCallback = other.callbacks();
  other.document().setCurrentLayer(other.document().createLayer("Site", 1.0));
  TTINParams p{};
  p.normalTIN = false;
  InitTINParams(other.callbacks(), &p);
  EXPECT_EQ(ToStd(p.tinName), "Site~d");
  EXPECT_EQ(ToStd(p.layer2DName), "Site~d-2D");
  EXPECT_EQ(ToStd(p.layer3DName), "Site~d-3D");
  EXPECT_FALSE(p.normalTIN);
  gKVCallback = cb();
}

TEST_F(TINParamsTest, LongNamesAreCutTo21Characters) {
  const std::string longName = "Northern embankment survey 2019";
  TTINParams p = Defaults(longName, true);
  EXPECT_EQ(ToStd(p.tinName), longName.substr(0, 21));
  EXPECT_EQ(ToStd(p.layer2DName), longName.substr(0, 21));

  const std::string nineteen = "ABCDEFGHIJKLMNOPQRS";
  p = Defaults(nineteen, true);
  EXPECT_EQ(ToStd(p.layer3DName), (nineteen + Suffix(kLayer3DSuffixIndex)).substr(0, 21));
}

TEST(DefaultIntervalTest, OneTenthOfTheRangeWhenThereIsOne) {
  TTINParams p{};
  p.contourInterval = 1000;
  ApplyDefaultInterval(&p, 50, 50);
  EXPECT_EQ(p.contourInterval, 1000);
  ApplyDefaultInterval(&p, 1, 9);
  EXPECT_EQ(p.contourInterval, 0);  // the dialog then asks for a positive one
  ApplyDefaultInterval(&p, -2000, 3005);
  EXPECT_EQ(p.contourInterval, 500);
  ApplyDefaultInterval(&p, std::numeric_limits<std::int32_t>::min(),
                       std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(p.contourInterval, 429496729);
}

}  // namespace
