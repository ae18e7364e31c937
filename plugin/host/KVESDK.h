// The host's drawing interface as the plug-in calls it: each KV_ operation
// takes the callback value of the current call first and goes through the
// host's callback block.  InternalAlloc/InternalFree back every allocation.
#pragma once

#include <cstddef>

#include "plugin/host/KVABI.h"

inline KVObj KV_GetDrawingHeader(KVCallback cb) { return cb->GetDrawingHeader(cb); }
inline KVHandle KV_FindDataObject(KVCallback cb, KVObj owner, std::uint32_t tag) {
  return cb->FindDataObject(cb, owner, tag);
}
inline KVHandle KV_NewDataObject(KVCallback cb, KVObj owner, std::uint32_t tag, std::int32_t size) {
  return cb->NewDataObject(cb, owner, tag, size);
}
inline void KV_DeleteAuxObject(KVCallback cb, KVHandle obj, KVObj owner) {
  cb->DeleteAuxObject(cb, obj, owner);
}
inline std::int32_t KV_NumSelectedObjects(KVCallback cb) { return cb->NumSelectedObjects(cb); }
inline void KV_ForEachObject(KVCallback cb, std::int16_t flags, KVObjectProc proc, void* user) {
  cb->ForEachObject(cb, flags, proc, user);
}
inline void KV_ForEachLayer(KVCallback cb, KVObjectProc proc, void* user) {
  cb->ForEachLayer(cb, proc, user);
}
inline KVObj KV_FirstMemberObj(KVCallback cb, KVObj container) {
  return cb->FirstMemberObj(cb, container);
}
inline KVObj KV_NextObject(KVCallback cb, KVObj obj) { return cb->NextObject(cb, obj); }
inline KVObj KV_ParentObject(KVCallback cb, KVObj obj) { return cb->ParentObject(cb, obj); }
inline std::int16_t KV_GetObjectType(KVCallback cb, KVObj obj) {
  return cb->GetObjectType(cb, obj);
}
inline void KV_GetObjectName(KVCallback cb, KVObj obj, unsigned char* name) {
  cb->GetObjectName(cb, obj, name);
}
inline void KV_GetObjectBounds(KVCallback cb, KVObj obj, KVRect* out) {
  cb->GetObjectBounds(cb, obj, out);
}
inline std::int16_t KV_GetObjectClass(KVCallback cb, KVObj obj) {
  return cb->GetObjectClass(cb, obj);
}
inline void KV_GetLocus3DPosition(KVCallback cb, KVObj locus, KVPoint3D* out) {
  cb->GetLocus3DPosition(cb, locus, out);
}
inline std::int32_t KV_CountVertices(KVCallback cb, KVObj poly) {
  return cb->CountVertices(cb, poly);
}
inline void KV_Get3DVertex(KVCallback cb, KVObj poly, std::int16_t index1, KVPoint3D* out) {
  cb->Get3DVertex(cb, poly, index1, out);
}
inline std::uint8_t KV_GetPolyShapeClose(KVCallback cb, KVObj poly) {
  return cb->GetPolyShapeClose(cb, poly);
}
inline KVObj KV_CreatePolyshape(KVCallback cb) { return cb->CreatePolyshape(cb); }
inline KVObj KV_Create3DPoly(KVCallback cb) { return cb->Create3DPoly(cb); }
inline KVObj KV_CreateGroup(KVCallback cb) { return cb->CreateGroup(cb); }
inline void KV_AddVertex(KVCallback cb, KVObj poly, KVPoint2D pt, std::int16_t kind,
                         std::int16_t unused) {
  cb->AddVertex(cb, poly, pt, kind, unused);
}
inline void KV_Add3DVertex(KVCallback cb, KVObj poly, KVPoint3D pt) {
  cb->Add3DVertex(cb, poly, pt);
}
inline void KV_SetPolyShapeClose(KVCallback cb, KVObj poly, std::uint8_t closed) {
  cb->SetPolyShapeClose(cb, poly, closed);
}
inline KVObj KV_CreateTextBlock(KVCallback cb, const unsigned char* text, KVPoint2D anchor,
                                std::int16_t a, std::int16_t b) {
  return cb->CreateTextBlock(cb, text, anchor, a, b);
}
inline void KV_MoveObject(KVCallback cb, KVObj obj, std::int32_t dx, std::int32_t dy) {
  cb->MoveObject(cb, obj, dx, dy);
}
inline void KV_AddObjectToContainer(KVCallback cb, KVObj obj, KVObj container) {
  cb->AddObjectToContainer(cb, obj, container);
}
inline void KV_SetColor(KVCallback cb, KVObj obj, KVColor color) { cb->SetColor(cb, obj, color); }
inline void KV_GetColor(KVCallback cb, KVObj obj, KVColor* out) { cb->GetColor(cb, obj, out); }
inline void KV_SetFillPat(KVCallback cb, KVObj obj, std::int16_t pattern) {
  cb->SetFillPat(cb, obj, pattern);
}
inline void KV_SetLineWeight(KVCallback cb, KVObj obj, std::int16_t weight) {
  cb->SetLineWeight(cb, obj, weight);
}
inline void KV_SetObjectClass(KVCallback cb, KVObj obj, std::int16_t cls) {
  cb->SetObjectClass(cb, obj, cls);
}
inline void KV_ResetObject(KVCallback cb, KVObj obj) { cb->ResetObject(cb, obj); }
inline void KV_DeleteObject(KVCallback cb, KVObj obj) { cb->DeleteObject(cb, obj); }
inline void KV_SetUndoMethod(KVCallback cb, std::int16_t method) { cb->SetUndoMethod(cb, method); }
inline void KV_AddAfterSwapObject(KVCallback cb, KVObj obj) { cb->AddAfterSwapObject(cb, obj); }
inline void KV_AddBeforeSwapObject(KVCallback cb, KVObj obj) { cb->AddBeforeSwapObject(cb, obj); }
inline KVObj KV_GetCurrentLayer(KVCallback cb) { return cb->GetCurrentLayer(cb); }
inline void KV_SetCurrentLayer(KVCallback cb, KVObj layer) { cb->SetCurrentLayer(cb, layer); }
inline KVObj KV_CreateLayer(KVCallback cb, const unsigned char* name, double scale) {
  return cb->CreateLayer(cb, name, scale);
}
inline void KV_GetLayerScale(KVCallback cb, KVObj layer, double* out) {
  cb->GetLayerScale(cb, layer, out);
}
inline std::int16_t KV_AddClass(KVCallback cb, const unsigned char* name) {
  return cb->AddClass(cb, name);
}
inline void KV_GetUnits(KVCallback cb, KVUnits* out) { cb->GetUnits(cb, out); }
inline void KV_CoordToDimString(KVCallback cb, std::int32_t length, unsigned char* out) {
  cb->CoordToDimString(cb, length, out);
}
inline std::uint8_t KV_Confirm(KVCallback cb, std::int16_t listId, std::int16_t index,
                               std::int16_t unused) {
  return cb->Confirm(cb, listId, index, unused);
}
// Hosts whose callback block predates the entry are not told.
inline void KV_ReportBuildNotices(KVCallback cb, const unsigned char* tinName,
                                  const KVBuildNotice* notices, std::int32_t count) {
  if (cb->size < offsetof(KVHostBlock, ReportBuildNotices) + sizeof cb->ReportBuildNotices ||
      cb->ReportBuildNotices == nullptr)
    return;
  cb->ReportBuildNotices(cb, tinName, notices, count);
}
inline KVErr InternalAlloc(KVCallback cb, std::int32_t size, void** out) {
  return cb->InternalAlloc(cb, size, out);
}
inline void InternalFree(KVCallback cb, void* ptr) { cb->InternalFree(cb, ptr); }

// The four-character tag of a data object as a 32-bit value ("WXB0" = 0x57584230).
constexpr std::uint32_t KV_Tag(char a, char b, char c, char d) {
  return (std::uint32_t(std::uint8_t(a)) << 24) | (std::uint32_t(std::uint8_t(b)) << 16) |
         (std::uint32_t(std::uint8_t(c)) << 8) | std::uint32_t(std::uint8_t(d));
}
