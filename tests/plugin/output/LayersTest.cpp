// Layers by name (first match, 21-character names, creation with the
// fallback's scale) and the deletion of a TIN's graphics, which takes only the
// plug-in's objects lying directly on the TIN's two layers.
#include <dlfcn.h>

#include <string>

#include "plugin/model/TTIN.h"
#include "plugin/output/Classes.h"
#include "plugin/output/DeleteGraphics.h"
#include "plugin/output/Layers.h"
#include "tests/plugin/model/ModelFixture.h"

namespace {

using tinhost::ObjId;

class LayersTest : public ModelTest {
 protected:
  tinhost::Document& doc() { return host.document(); }
  ObjId Layer(const std::string& name, double scale = 1.0) {
    return doc().createLayer(name, scale);
  }
  std::size_t LayerCount() { return doc().layers().size(); }
};

TEST_F(LayersTest, LookupFindsTheFirstLayerOfThatName) {
  Layer("Terrain");
  const ObjId first = Layer("Site");
  Layer("Site");
  EXPECT_EQ(GetLayerByName(cb(), PStr("Site")), first);
  EXPECT_EQ(GetLayerByName(cb(), PStr("Sit")), 0u);
  EXPECT_EQ(GetLayerByName(cb(), PStr("Nowhere")), 0u);
  EXPECT_TRUE(EqualStrings(cb(), PStr("Site"), PStr("Site")));
  EXPECT_FALSE(EqualStrings(cb(), PStr("Site"), PStr("Site ")));
}

TEST_F(LayersTest, WantedNamesAreCutTo21Characters) {
  const std::string stem = "Embankment north side";  // 21 characters
  const ObjId fallback = Layer("Base", 2.5);
  const std::size_t layers = LayerCount();
  const ObjId made = GetOrCreateLayerByName(cb(), PStr(stem), PStr("-2D"), fallback);
  ASSERT_NE(made, fallback);
  EXPECT_EQ(LayerCount(), layers + 1);
  EXPECT_EQ(doc().get(made).name, stem);
  EXPECT_EQ(doc().get(made).scale, 2.5);
  // Found again, under the long name too.
  EXPECT_EQ(GetOrCreateLayerByName(cb(), PStr(stem), PStr("-3D"), fallback), made);
  EXPECT_EQ(GetLayerByName(cb(), PStr(stem + " and more")), made);
  EXPECT_EQ(LayerCount(), layers + 1);
}

TEST_F(LayersTest, ZeroScaleFallbackIsUsedInsteadOfANewLayer) {
  for (double zero : {0.0, -0.0}) {
    const ObjId fallback = Layer("Flat", zero);
    const std::size_t layers = LayerCount();
    EXPECT_EQ(GetOrCreateLayerByName(cb(), PStr("Site"), PStr(""), fallback), fallback);
    EXPECT_EQ(LayerCount(), layers);
  }
}

class DeleteGraphicsTest : public LayersTest {
 protected:
  void SetUp() override {
    LayersTest::SetUp();
    RegisterClasses(cb());
    tin = new TTIN(nullptr);
    ASSERT_NE(tin, nullptr);
    PCopy(tin->fTINParams.layer2DName, PStr("Site-2D"), kNameCapacity);
    PCopy(tin->fTINParams.layer3DName, PStr("Site-3D"), kNameCapacity);
  }
  void TearDown() override {
    delete tin;
    LayersTest::TearDown();
  }
  ObjId Poly(ObjId container, int classNum) {
    const ObjId p = doc().createObject(kKVTypePoly3D);
    doc().addToContainer(p, container);
    if (classNum != 0) doc().setObjectClass(p, ClassID(classNum));
    return p;
  }
  TTIN* tin = nullptr;
};

TEST_F(DeleteGraphicsTest, DeletesOnlyOurObjectsDirectlyOnTheTINLayers) {
  const ObjId l2 = Layer("Site-2D");
  const ObjId l3 = Layer("Site-3D");
  const ObjId other = Layer("Other");
  const ObjId tri2D = Poly(l2, kClass2DTriangle);
  const ObjId group = doc().createObject(kKVTypeGroup);
  doc().addToContainer(group, l3);
  doc().setObjectClass(group, ClassID(kClassGroup));
  const ObjId member = Poly(group, kClass3DTriangle);
  const ObjId foreign = Poly(l2, 0);
  const ObjId moved = Poly(other, kClass2DContour);
  const ObjId foreignGroup = doc().createObject(kKVTypeGroup);
  doc().addToContainer(foreignGroup, l2);
  const ObjId ourInForeignGroup = Poly(foreignGroup, kClassHull);

  host.beginCommand();
  DeleteTINGraphics(cb(), tin);
  EXPECT_EQ(tin->fLayer2D, l2);
  EXPECT_EQ(tin->fLayer3D, l3);
  EXPECT_FALSE(doc().exists(tri2D));
  EXPECT_FALSE(doc().exists(group));
  EXPECT_FALSE(doc().exists(member));
  EXPECT_TRUE(doc().exists(foreign));
  EXPECT_TRUE(doc().exists(moved));
  EXPECT_TRUE(doc().exists(foreignGroup));
  EXPECT_TRUE(doc().exists(ourInForeignGroup));
  ASSERT_NE(host.undoLog().pending(), nullptr);
  EXPECT_EQ(host.undoLog().pending()->method, kKVUndoPluginCommand);
  EXPECT_EQ(host.undoLog().pending()->steps.size(), 2u);  // the triangle and the group
  host.endCommand();
}

TEST_F(DeleteGraphicsTest, RenamedLayersKeepTheirObjects) {
  const ObjId l2 = Layer("Renamed 2D");
  const ObjId tri = Poly(l2, kClass2DTriangle);
  const ObjId loose = Poly(Layer("Site-2D-old"), kClass2DTriangle);
  DeleteTINGraphics(cb(), tin);
  EXPECT_EQ(tin->fLayer2D, 0u);
  EXPECT_EQ(tin->fLayer3D, 0u);
  EXPECT_TRUE(doc().exists(tri));
  EXPECT_TRUE(doc().exists(loose));
}

// The host finds the per-object callbacks and the list insertion by name.
TEST(ExportsTest, SharedLibraryExportsTheCallbacks) {
  void* lib = dlopen(TIN_BIN_DIR "/libtinplugin.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name :
       {"main", "_FindLayer", "_DeleteAllPolys", "_ZN16TKestSortedLList6InsertEPv"})
    EXPECT_NE(dlsym(lib, name), nullptr) << name;
  dlclose(lib);
}

}  // namespace
