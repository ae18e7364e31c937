// A drawing built in memory, a scratch directory, and comparisons in
// real-world coordinates (each drawing has its own origin).
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ScratchDirTest.h"

#include "tinhost/core/Host.h"
#include "tinhost/core/Resources.h"
#include "tinhost/io/Exporter.h"
#include "tinhost/io/Importer.h"
#include "tinhost/io/Placement.h"

namespace tinhost::testing {

struct RealVertex {
  double x, y, z;
};

// A malformed file and the parts its error message must contain.
struct BadFile {
  const char* what;
  std::string text;
  std::vector<std::string> message;
};

class InterchangeTest : public ScratchDirTest {
 protected:

  // A drawing in feet at 1000 world units per foot with its origin far from
  // zero, as after importing a survey in state-plane coordinates.
  static void setUp(Host& host, UnitKind kind = UnitKind::Foot) {
    UnitsRecord u;
    u.kind = kind;
    u.worldPerUnit = 1000;
    host.document().setUnits(u);
    host.document().setOrigin(30000, 38000);
  }
  static ObjId layer(Host& host, const std::string& name) {
    const ObjId id = io::findLayer(host, name);
    return id != kNoObject ? id : host.document().createLayer(name, 1.0);
  }
  static ObjId poly(Host& host, ObjId container, std::int16_t type, const std::vector<Vertex>& vs, bool closed) {
    Document& d = host.document();
    const ObjId p = d.createObject(type);
    for (const Vertex& v : vs) d.addVertex(p, v);
    d.setClosed(p, closed);
    d.addToContainer(p, container);
    return p;
  }

  // The drawing's id of one of the plug-in's object classes (its entry in
  // the class-name list: 3 = 3D contour, 6 = 3D triangle).
  static std::int16_t pluginClass(Host& host, std::int16_t entry) {
    return host.document().addClass(*Resources::embedded().string(11103, entry));
  }
  // A 3D triangle as the plug-in draws it.
  static ObjId triangle(Host& host, ObjId container, const std::vector<Vertex>& corners) {
    const ObjId t = poly(host, container, kKVTypePoly3D, corners, true);
    host.document().setObjectClass(t, pluginClass(host, 6));
    return t;
  }

  static RealVertex real(const Host& host, const Vertex& v) {
    const auto& s = host.document().state();
    const std::int32_t w = s.units.worldPerUnit;
    return {io::toReal(v.x, s.originX, w), io::toReal(v.y, s.originY, w), io::toReal(v.z, 0.0, w)};
  }
  // Every object of one type on a layer, in drawing order.
  static std::vector<const DrawingObject*> objects(const Host& host, const std::string& layerName, std::int16_t type) {
    std::vector<const DrawingObject*> out;
    const ObjId l = io::findLayer(host, layerName);
    for (ObjId id : host.document().walk(WalkScope::All)) {
      const DrawingObject& o = host.document().get(id);
      if (o.type == type && host.document().layerOf(id) == l) out.push_back(&o);
    }
    return out;
  }
  static void expectSamePlace(const RealVertex& a, const RealVertex& b, double tol = 1e-6) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
  }

  // Expects `f` to throw a FileError whose message holds every one of `parts`,
  // and the drawing to keep its object count.
  // A file that must be refused: the import names the place (message parts
  // starting with ":" get the file's path put in front) and adds nothing to a
  // drawing that already holds a locus.
  void expectBadImportRefused(const std::string& fileName, const std::string& text,
                              std::vector<std::string> parts) const {
    Host h;
    setUp(h);
    h.document().addLocus(h.document().currentLayer(), 1, 2, 3);
    const fs::path file = write(fileName, text);
    for (auto& p : parts)
      if (p.rfind(":", 0) == 0) p = file.string() + p;  // ":12:" -> "/tmp/.../bad.dxf:12:"
    expectRefused(h, [&] { io::importFile(h, file, "auto", ""); }, parts);
  }

  template <class F>
  static void expectRefused(Host& host, F&& f, const std::vector<std::string>& parts) {
    const std::size_t before = host.document().objectCount();
    try {
      f();
      ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
      for (const std::string& p : parts) EXPECT_NE(std::string(e.what()).find(p), std::string::npos) << e.what();
    }
    EXPECT_EQ(host.document().objectCount(), before);
  }

  // Runs a command; its standard output, or nothing when it fails.
  static std::optional<std::string> capture(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string out;
    char buf[4096];
    while (const std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
    return ::pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
  }

};

}  // namespace tinhost::testing
