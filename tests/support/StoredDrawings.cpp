#include "StoredDrawings.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "plugin/host/KVUTIL.h"
#include "plugin/host/Str255.h"
#include "plugin/model/TBrkln.h"
#include "plugin/model/TKestSortedLList.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/triangulate/BuildTIN.h"

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

// Survey points of the shared data folder, in tenths of a unit.
std::vector<XYZ> MassTopoPoints() {
  std::ifstream in(std::string(TIN_DATA_DIR) + "/mass_topo/mass_topo_points.csv");
  std::vector<XYZ> out;
  std::string line;
  std::getline(in, line);
  double x, y, z;
  char comma;
  while (std::getline(in, line))
    if (std::stringstream(line) >> x >> comma >> y >> comma >> z)
      out.push_back({static_cast<std::int32_t>(x * 10), static_cast<std::int32_t>(y * 10),
                     static_cast<std::int32_t>(z * 10)});
  return out;
}

}  // namespace

TLandMgr* NewManager(tinhost::Host& host) {
  auto* mgr = new TLandMgr(host.callbacks());
  mgr->fTINList = NewList();
  return mgr;
}

void SetNames(TTIN* tin, const std::string& name) {
  SetName(tin->fTINParams.tinName, name);
  SetName(tin->fTINParams.layer2DName, name + "-2D");
  SetName(tin->fTINParams.layer3DName, name + "-3D");
}

TTIN* AddTIN(TLandMgr* mgr, const std::string& name, bool notResident) {
  auto* tin = new TTIN(mgr);
  tin->InitVars(mgr->fCB);
  tin->MakeVtxTriMgr();
  SetNames(tin, name);
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
  // Neighbour i holds the same edge the other way round.
  for (TTINTriangle* a : t)
    for (int i = 0; i < 3; ++i)
      for (TTINTriangle* b : t)
        for (int e = 0; e < 3; ++e)
          if (b->fVertices[e] == a->fVertices[(i + 1) % 3] && b->fVertices[(e + 1) % 3] == a->fVertices[i])
            a->fNeighbors[i] = b;
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

HandGeometry OneTriangle() {
  return {{{0, 0, 100}, {0, 1000, 200}, {1000, 0, 300}}, {{0, 1, 2}}, {0, 1, 2}, {}};
}

HandGeometry SquareAroundCentre() {
  // E(1000,1000) inside A(0,0) B(0,2000) C(2000,2000) D(2000,0), in rising z.
  const int e = 0, a = 1, b = 2, c = 3, d = 4;
  return {{{1000, 1000, -500}, {0, 0, 0}, {0, 2000, 250}, {2000, 2000, 250}, {2000, 0, 900}},
          {{a, b, e}, {b, c, e}, {c, d, e}, {d, a, e}},
          {a, b, c, d},
          {{b, c}, {a, e, d}}};
}

Bytes StoredBytes(tinhost::Host& host) {
  KVHandle h = host.findDataObject(kTag);
  if (h == nullptr) return {};
  auto bytes = host.memory().contents(h);
  return {bytes.begin(), bytes.end()};
}

void PutStoredBytes(tinhost::Host& host, const Bytes& bytes) {
  KVHandle h = host.findDataObject(kTag);
  if (h == nullptr) h = host.newDataObject(kTag, static_cast<std::int32_t>(bytes.size()));
  host.memory().setHandleSize(h, static_cast<std::int32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(*h, bytes.data(), bytes.size());
}

TErr Save(TLandMgr* mgr) { return mgr->SaveAllTINs(); }

TLandMgr* ReadBack(tinhost::Host& host, TErr* err) {
  TLandMgr* mgr = NewManager(host);
  *err = mgr->ReadAllData(host.findDataObject(kTag));
  return mgr;
}

TErr MakeSampleDrawing(tinhost::Host& host) {
  TLandMgr* mgr = NewManager(host);
  tinhost::Document& doc = host.document();

  TTIN* survey = AddTIN(mgr, "Survey", false);
  survey->fTINParams.wantHull = true;
  survey->fTINParams.datumElev = -1234;
  const tinhost::ObjId layer = doc.createLayer("Survey", 1.0);
  for (const XYZ& p : MassTopoPoints()) doc.addLocus(layer, p.x, p.y, p.z);
  TErr err = RebuildSurface(survey);
  if (err == kNoErr) {
    std::vector<TTINVtx*> v;
    for (TLinkNode* n = survey->fTINVtxListByZ->fFirst; n != nullptr; n = n->next)
      v.push_back(static_cast<TTINVtx*>(n->item));
    auto* closed = new TBrkln();
    for (std::size_t k : {3u, 17u, 40u, 9u}) closed->AddVtx(v.at(k));
    closed->SetClosed(true);
    auto* level = new TBrkln();
    for (std::size_t k : {20u, 20u}) level->AddVtx(v.at(k));
    survey->fBrklnList->Append(closed);
    survey->fBrklnList->Append(level);
  }

  AddTIN(mgr, "Parcel", true)->fTINParams.contourInterval = 250;
  TTIN* old = AddTIN(mgr, "Old", false);
  old->fVersion = 1;
  PlaceGeometry(old, SquareAroundCentre());
  TTIN* diff = AddTIN(mgr, "Survey-diff", false);
  diff->fTINParams.normalTIN = false;
  diff->fInnerTIN = old;
  diff->fOuterTIN = survey;
  PlaceGeometry(diff, OneTriangle());
  for (const char* name : {"Parcel", "Old", "Survey-diff"}) doc.createLayer(name, 1.0);

  if (err == kNoErr) err = Save(mgr);
  delete mgr;
  return err;
}

std::int32_t BE32(const Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>((std::uint32_t{b.at(at)} << 24) | (std::uint32_t{b.at(at + 1)} << 16) |
                                   (std::uint32_t{b.at(at + 2)} << 8) | b.at(at + 3));
}

std::int16_t BE16(const Bytes& b, std::size_t at) {
  return static_cast<std::int16_t>((b.at(at) << 8) | b.at(at + 1));
}

void PutBE32(Bytes& b, std::size_t at, std::int32_t value) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (24 - 8 * i));
}

}  // namespace storage_test
