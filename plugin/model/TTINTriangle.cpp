#include "plugin/model/TTINTriangle.h"

#include "plugin/model/TTINVtx.h"

void TTINTriangle::GetVertices(TTINVtx* out[3]) const {
  for (int i = 0; i < 3; ++i) out[i] = fVertices[i];
}
void TTINTriangle::SetVertices(TTINVtx* const in[3]) {
  for (int i = 0; i < 3; ++i) fVertices[i] = in[i];
  fPairOkay = 0;
}
void TTINTriangle::GetNeighbors(TTINTriangle* out[3]) const {
  for (int i = 0; i < 3; ++i) out[i] = fNeighbors[i];
}
void TTINTriangle::SetNeighbors(TTINTriangle* const in[3]) {
  for (int i = 0; i < 3; ++i) fNeighbors[i] = in[i];
  fPairOkay = 0;
}
void TTINTriangle::GetEdgeOkay(bool out[3]) const {
  for (int i = 0; i < 3; ++i) out[i] = fEdgeOkay[i];
}
void TTINTriangle::SetEdgeOkay(const bool in[3]) {
  for (int i = 0; i < 3; ++i) fEdgeOkay[i] = in[i];
  fPairOkay = 0;
}

bool TTINTriangle::AllNabrEdgesOkay() const {
  for (int i = 0; i < 3; ++i)
    if (fNeighbors[i] != nullptr && !fEdgeOkay[i]) return false;
  return true;
}

void TTINTriangle::SortVtxIndicesByZ(std::int16_t* lo, std::int16_t* mid,
                                     std::int16_t* hi) const {
  std::int16_t l = 0;
  std::int16_t h = 0;
  for (std::int16_t i = 1; i < 3; ++i) {
    if (fVertices[i]->z < fVertices[l]->z) l = i;
    if (fVertices[i]->z > fVertices[h]->z) h = i;
  }
  if (l == h) h = static_cast<std::int16_t>((l + 1) % 3);
  std::int16_t m = static_cast<std::int16_t>((l + 1) % 3);
  if (m == h) m = static_cast<std::int16_t>((l + 2) % 3);
  *lo = l;
  *mid = m;
  *hi = h;
}
