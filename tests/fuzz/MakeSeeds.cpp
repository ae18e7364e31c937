// Writes the seed corpus of storage_reader_fuzz: the plug-in's part (from
// byte 22) of data objects written through the model.
//   storage_fuzz_seeds <directory>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "plugin/host/PluginMemory.h"
#include "plugin/model/TTIN.h"
#include "plugin/shell/LandMgr.h"
#include "tests/support/StoredDrawings.h"

using namespace storage_test;

namespace {

bool WriteSeed(tinhost::Host& host, const std::string& path) {
  const std::vector<std::uint8_t> bytes = StoredBytes(host);
  if (bytes.size() <= 22) return false;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data() + 22), static_cast<std::streamsize>(bytes.size() - 22));
  return static_cast<bool>(out);
}

// A drawing of one TIN made by `fill`, saved.
template <typename Fill>
bool OneTIN(const std::string& path, bool notResident, Fill fill) {
  tinhost::Host host;
  gKVCallback = host.callbacks();
  TLandMgr* mgr = NewManager(host);
  TTIN* tin = AddTIN(mgr, "Ground", notResident);
  fill(tin);
  const bool ok = Save(mgr) == kNoErr && WriteSeed(host, path);
  delete mgr;
  gKVCallback = nullptr;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = OneTIN(dir + "/parameters_only", true, [](TTIN*) {});
  ok = OneTIN(dir + "/version1_parameters", true, [](TTIN* t) { t->fVersion = 1; }) && ok;
  ok = OneTIN(dir + "/one_triangle", false, [](TTIN* t) { PlaceGeometry(t, OneTriangle()); }) && ok;
  ok = OneTIN(dir + "/square_breaklines", false, [](TTIN* t) {
         HandGeometry g = SquareAroundCentre();
         g.breaklines = {{2, 3}, {1, 0, 4, 1}};
         PlaceGeometry(t, g);
       }) && ok;
  {
    tinhost::Host host;
    gKVCallback = host.callbacks();
    ok = MakeSampleDrawing(host) == kNoErr && WriteSeed(host, dir + "/four_tins") && ok;
    gKVCallback = nullptr;
  }
  if (!ok) std::fprintf(stderr, "a seed could not be written\n");
  return ok ? 0 : 1;
}
