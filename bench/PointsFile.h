// Shared by the bench programs: the loci of an "x,y,z" integer points file
// on a new layer, and a TIN named after that layer, ready to build.
#pragma once

#include <cstdio>

#include "plugin/host/Str255.h"
#include "plugin/model/TTIN.h"
#include "tinhost/core/Host.h"

// Adds one 3D locus per line of `path` to a new layer `layerName`; the
// number of points, or -1 when the file cannot be opened.
inline long AddLociFromPointsFile(tinhost::Host& host, const char* path, const char* layerName) {
  const tinhost::ObjId layer = host.document().createLayer(layerName, 1.0);
  FILE* in = std::fopen(path, "r");
  if (in == nullptr) return -1;
  std::int32_t x = 0, y = 0, z = 0;
  long points = 0;
  while (std::fscanf(in, "%d,%d,%d", &x, &y, &z) == 3) {
    host.document().addLocus(layer, x, y, z);
    ++points;
  }
  std::fclose(in);
  return points;
}

// A TIN over the layer `name`, with its builder; null when none could be made.
inline TTIN* NewTINOnLayer(tinhost::Host& host, const char* name) {
  auto* tin = new TTIN(nullptr);
  tin->InitVars(host.callbacks());
  if (!tin->MakeVtxTriMgr()) {
    delete tin;
    return nullptr;
  }
  PFromView(tin->fTINParams.tinName, name, kNameCapacity);
  return tin;
}
