#include "StoredDrawings.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "host/KVUTIL.h"
#include "host/PString.h"
#include "model/TBrkln.h"
#include "model/TKestSortedLList.h"
#include "model/TTIN.h"
#include "model/TTINTriangle.h"
#include "model/TTINVtx.h"
#include "shell/LandMgr.h"
#include "triangulate/BuildTIN.h"

namespace storage_test {

namespace {

TLinkedList* NewList() {
  TLinkedList* l = TLinkedList::New();
  l->ILinkedList();
  return l;
}

void SetName(unsigned char* dst, const std::string& text) {
  std::memset(dst, 0, kNameCapacity + 1);
  PFromView(dst, text, kNameCapacity);
}

}  // namespace

TLandMgr* NewManager(tinhost::Host& host) {
  auto* mgr = new TLandMgr(host.callbacks());
  mgr->fTINList = NewList();
  return mgr;
}

TTIN* AddTIN(TLandMgr* mgr, const std::string& name, bool notResident) {
  auto* tin = new TTIN(mgr);
  tin->InitVars(mgr->fCB);
  tin->MakeVtxTriMgr();
  SetName(tin->fTINParams.tinName, name);
  SetName(tin->fTINParams.layer2DName, name + "-2D");
  SetName(tin->fTINParams.layer3DName, name + "-3D");
  tin->fTINParams.notResident = notResident;
  tin->fTINParams.useBrklns = false;
  mgr->fTINList->Append(tin);
  return tin;
}

void PlaceGeometry(TTIN* tin, const HandGeometry& g) {
  tin->fTINVtxListByZ = TKestSortedLList::New();
  tin->fTINVtxListByZ->IKestSortedLList();
  std::vector<TTINVtx*> v;
  for (const XYZ& p : g.vertices) {
    v.push_back(new TTINVtx(p.x, p.y, p.z));
    tin->fTINVtxListByZ->Append(v.back());
  }
  tin->fTINTriangleList = NewList();
  std::vector<TTINTriangle*> t;
  for (const auto& c : g.triangles) {
    t.push_back(new TTINTriangle());
    for (int i = 0; i < 3; ++i) t.back()->fVertices[i] = v[c[i]];
    tin->fTINTriangleList->Append(t.back());
  }
  // Neighbour i of a triangle holds the same edge the other way round.
  for (std::size_t a = 0; a < t.size(); ++a)
    for (int i = 0; i < 3; ++i)
      for (std::size_t b = 0; b < t.size(); ++b)
        for (int e = 0; e < 3; ++e)
          if (t[b]->fVertices[e] == t[a]->fVertices[(i + 1) % 3] &&
              t[b]->fVertices[(e + 1) % 3] == t[a]->fVertices[i])
            t[a]->fNeighbors[i] = t[b];
  for (std::size_t k = 0; k < v.size(); ++k)
    for (TTINTriangle* tri : t)
      if (v[k]->fTriangle == nullptr && tri->IndexOfVertex(v[k]) != kNoIndex)
        v[k]->SetHighest(tri, k % 2 == 0 ? 1 : -1);
  tin->fConvexHullVtxList = NewList();
  for (int k : g.hull) tin->fConvexHullVtxList->Append(v[k]);
  tin->fBrklnList = NewList();
  for (const auto& line : g.breaklines) {
    auto* b = new TBrkln();
    for (int k : line) b->AddVtx(v[k]);
    tin->fBrklnList->Append(b);
  }
}

TErr BuildFromPoints(tinhost::Host& host, TTIN* tin, const std::vector<XYZ>& pts) {
  tinhost::Document& doc = host.document();
  const tinhost::ObjId layer = doc.createLayer(std::string(PView(tin->fTINParams.tinName)), 1.0);
  for (const XYZ& p : pts) doc.addLocus(layer, p.x, p.y, p.z);
  return RebuildSurface(tin);
}

std::vector<XYZ> ReadPoints(const std::string& relPath, int digits) {
  std::ifstream in(std::string(TIN_DATA_DIR) + "/" + relPath);
  std::vector<XYZ> out;
  std::string line;
  std::getline(in, line);  // header
  double scale = 1.0;
  for (int i = 0; i < digits; ++i) scale *= 10.0;
  while (std::getline(in, line)) {
    std::stringstream s(line);
    double x, y, z;
    char comma;
    if (s >> x >> comma >> y >> comma >> z)
      out.push_back({static_cast<std::int32_t>(x * scale), static_cast<std::int32_t>(y * scale),
                     static_cast<std::int32_t>(z * scale)});
  }
  return out;
}

HandGeometry OneTriangle() {
  return {{{0, 0, 100}, {0, 1000, 200}, {1000, 0, 300}}, {{0, 1, 2}}, {0, 1, 2}, {}};
}

HandGeometry SquareAroundCentre() {
  // A(0,0) B(0,2000) C(2000,2000) D(2000,0) around E(1000,1000), in rising z.
  HandGeometry g;
  g.vertices = {{1000, 1000, -500}, {0, 0, 0}, {0, 2000, 250}, {2000, 2000, 250}, {2000, 0, 900}};
  const int e = 0, a = 1, b = 2, c = 3, d = 4;
  g.triangles = {{a, b, e}, {b, c, e}, {c, d, e}, {d, a, e}};
  g.hull = {a, b, c, d};
  return g;
}

std::vector<std::uint8_t> StoredBytes(tinhost::Host& host) {
  KVHandle h = host.findDataObject(kTag);
  if (h == nullptr) return {};
  auto bytes = host.memory().contents(h);
  return {bytes.begin(), bytes.end()};
}

void PutStoredBytes(tinhost::Host& host, const std::vector<std::uint8_t>& bytes) {
  KVHandle h = host.findDataObject(kTag);
  if (h == nullptr) h = host.newDataObject(kTag, static_cast<std::int32_t>(bytes.size()));
  host.memory().setHandleSize(h, static_cast<std::int32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(*h, bytes.data(), bytes.size());
}

TErr Save(TLandMgr* mgr) { return mgr->SaveAllTINs(); }

TLandMgr* ReadBack(tinhost::Host& host, TErr* err) {
  KVHandle h = host.findDataObject(kTag);
  if (h == nullptr) return nullptr;
  TLandMgr* mgr = NewManager(host);
  *err = mgr->ReadAllData(h);
  return mgr;
}

TErr MakeSampleDrawing(tinhost::Host& host) {
  TLandMgr* mgr = NewManager(host);

  TTIN* survey = AddTIN(mgr, "Survey", false);
  survey->fTINParams.wantHull = true;
  survey->fTINParams.datumElev = -1234;
  TErr err = BuildFromPoints(host, survey, ReadPoints("mass_topo/mass_topo_points.csv", 1));
  if (err == kNoErr) {
    // Two breaklines through vertices of the build: one closed, one level.
    std::vector<TTINVtx*> v;
    for (TLinkNode* n = survey->fTINVtxListByZ->fFirst; n != nullptr; n = n->next)
      v.push_back(static_cast<TTINVtx*>(n->item));
    auto* closed = new TBrkln();
    for (std::size_t k : {3u, 17u, 40u, 9u}) closed->AddVtx(v[k]);
    closed->SetClosed(true);
    auto* level = new TBrkln();
    for (std::size_t k : {20u, 20u}) level->AddVtx(v[k]);
    survey->fBrklnList->Append(closed);
    survey->fBrklnList->Append(level);
  }

  TTIN* parcel = AddTIN(mgr, "Parcel", true);
  parcel->fTINParams.contourInterval = 250;
  host.document().createLayer("Parcel", 1.0);

  TTIN* old = AddTIN(mgr, "Old", false);
  old->fVersion = 1;
  PlaceGeometry(old, SquareAroundCentre());
  host.document().createLayer("Old", 1.0);

  TTIN* diff = AddTIN(mgr, "Survey-diff", false);
  diff->fTINParams.normalTIN = false;
  diff->fInnerTIN = old;
  diff->fOuterTIN = survey;
  PlaceGeometry(diff, OneTriangle());
  host.document().createLayer("Survey-diff", 1.0);

  if (err == kNoErr) err = Save(mgr);
  delete mgr;
  return err;
}

std::int32_t BE32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::int32_t>((std::uint32_t{b.at(at)} << 24) | (std::uint32_t{b.at(at + 1)} << 16) |
                                   (std::uint32_t{b.at(at + 2)} << 8) | b.at(at + 3));
}

std::int16_t BE16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::int16_t>((b.at(at) << 8) | b.at(at + 1));
}

void PutBE32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(u >> (24 - 8 * i));
}

}  // namespace storage_test
