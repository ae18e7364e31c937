#include "plugin/storage/StoreIO.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "plugin/host/KVESDK.h"
#include "plugin/host/KVEmul.h"

TStoredUnits::TStoredUnits(KVCallback cb) {
  KVUnits units;
  std::memset(&units, 0, sizeof units);
  KV_GetUnits(cb, &units);
  fWorldPerUnit = units.worldPerUnit;
  fScale = KVE_X80ToLd(cb, units.scale80);
  fValid = units.worldPerUnit != 0 && std::isfinite(fScale) && fScale != 0.0;
}

bool TStoredUnits::ToWorld(double stored, std::int32_t* coord) const {
  const double world = std::round((stored * fWorldPerUnit) * fScale);
  // NaN fails both comparisons.
  if (!(world >= std::numeric_limits<std::int32_t>::min() &&
        world <= std::numeric_limits<std::int32_t>::max()))
    return false;
  *coord = static_cast<std::int32_t>(world);
  return true;
}

// The host's 80-bit real is least significant byte first; stored, it is the
// other way round.
static void ReverseReal(unsigned char* bytes) {
  for (int i = 0, j = kStoredRealBytes - 1; i < j; ++i, --j) {
    const unsigned char t = bytes[i];
    bytes[i] = bytes[j];
    bytes[j] = t;
  }
}

// ---------------------------------------------------------------------------

TStoreWriter::TStoreWriter(KVCallback cb, KVHandle handle, std::int32_t* counter)
    : fCB(cb), fHandle(handle), fCounter(counter), fUnits(cb) {
  if (fHandle != nullptr) fSize = KVE_GetHandleSize(cb, handle);
  if (!fUnits.Valid()) Fail(kErrStoredCount);
}

unsigned char* TStoreWriter::Reserve(std::int32_t n) {
  if (fErr != kNoErr) return nullptr;
  const std::int64_t at = *fCounter;
  if (at + n > std::numeric_limits<std::int32_t>::max()) {
    Fail(kErrStoredCount);  // the data object cannot grow past 2 GB
    return nullptr;
  }
  if (fHandle != nullptr && at + n > fSize) {
    Fail(kErrStoredDataShort);
    return nullptr;
  }
  *fCounter = static_cast<std::int32_t>(at + n);
  return fHandle != nullptr ? reinterpret_cast<unsigned char*>(*fHandle) + at : nullptr;
}

void TStoreWriter::PutFlag(bool on) {
  if (unsigned char* p = Reserve(1)) *p = on ? 1 : 0;
}

void TStoreWriter::PutInt16(std::int16_t value) {
  if (unsigned char* p = Reserve(2)) {
    KVE_Swap2(&value);
    std::memcpy(p, &value, 2);
  }
}

void TStoreWriter::PutInt32(std::int32_t value) {
  if (unsigned char* p = Reserve(4)) {
    KVE_Swap4(&value);
    std::memcpy(p, &value, 4);
  }
}

void TStoreWriter::PutName(const unsigned char* name22) {
  if (unsigned char* p = Reserve(kStoredNameBytes)) std::memcpy(p, name22, kStoredNameBytes);
}

void TStoreWriter::PutCoord(std::int32_t coord) {
  if (Measuring()) {
    Reserve(kStoredRealBytes);
    return;
  }
  unsigned char real[kStoredRealBytes];
  KVE_LdToX80(fCB, fUnits.ToUser(coord), real);
  ReverseReal(real);
  // The conversion goes through the host, so the address is taken afterwards.
  if (unsigned char* p = Reserve(kStoredRealBytes)) std::memcpy(p, real, kStoredRealBytes);
}

// ---------------------------------------------------------------------------

TStoreReader::TStoreReader(KVCallback cb, KVHandle handle, std::int32_t offset)
    : fCB(cb), fHandle(handle), fSize(KVE_GetHandleSize(cb, handle)), fOffset(offset),
      fUnits(cb) {
  if (fSize < 0) fSize = 0;
}

const unsigned char* TStoreReader::Take(std::int32_t n) {
  if (fErr != kNoErr) return nullptr;
  if (n > Remaining()) {
    Fail(kErrStoredDataShort);
    return nullptr;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(*fHandle) + fOffset;
  fOffset += n;
  return p;
}

void TStoreReader::Seek(std::int32_t offset) {
  if (offset < 0 || offset > fSize) Fail(kErrStoredDataShort);
  else if (fErr == kNoErr) fOffset = offset;
}

void TStoreReader::Skip(std::int32_t n) {
  if (n < 0) Fail(kErrStoredCount);
  else Take(n);
}

bool TStoreReader::GetFlag() {
  const unsigned char* p = Take(1);
  return p != nullptr && *p != 0;
}

std::int16_t TStoreReader::GetInt16() {
  std::int16_t value = 0;
  if (const unsigned char* p = Take(2)) {
    std::memcpy(&value, p, 2);
    KVE_Swap2(&value);
  }
  return value;
}

std::int32_t TStoreReader::GetInt32() {
  std::int32_t value = 0;
  if (const unsigned char* p = Take(4)) {
    std::memcpy(&value, p, 4);
    KVE_Swap4(&value);
  }
  return value;
}

void TStoreReader::GetName(unsigned char* name22) {
  const unsigned char* p = Take(kStoredNameBytes);
  if (p == nullptr) {
    name22[0] = 0;
    return;
  }
  if (p[0] > kStoredNameBytes - 1) {
    Fail(kErrStoredCount);
    name22[0] = 0;
    return;
  }
  std::memcpy(name22, p, kStoredNameBytes);
}

std::int32_t TStoreReader::GetCoord() {
  const unsigned char* p = Take(kStoredRealBytes);
  if (p == nullptr) return 0;
  unsigned char real[kStoredRealBytes];
  std::memcpy(real, p, kStoredRealBytes);
  ReverseReal(real);
  std::int32_t coord = 0;
  if (!fUnits.Valid() || !fUnits.ToWorld(KVE_X80ToLd(fCB, real), &coord)) {
    Fail(kErrStoredCount);
    return 0;
  }
  return coord;
}

bool TStoreReader::CheckCount(std::int32_t count, std::int32_t recordBytes) {
  if (fErr != kNoErr) return false;
  if (count < 0) {
    Fail(kErrStoredCount);
    return false;
  }
  if (static_cast<std::int64_t>(count) * recordBytes > Remaining()) {
    Fail(kErrStoredDataShort);
    return false;
  }
  return true;
}
