// The field encodings of the TIN data kept in the drawing's data object, and
// the cursors that write and read them.
//
// Encodings: integers big-endian (turned with the toolbox swaps, memory being
// little-endian); names 22 bytes (length byte, at most 21 characters, filler
// copied as it stands); reals 10 bytes, the 80-bit extended format most
// significant byte first; lengths and coordinates as reals in the drawing's
// user units: stored = (coordinate / S) / U, read back (stored * U) * S and
// rounded to the nearest integer, so that an unchanged drawing gives back
// exactly the coordinate that was written.  U is the first field of the
// units record (world units per user unit), S its 80-bit scale factor; both
// are taken once, when the cursor is made.
//
// The data object is a relocatable block: its address is taken from the
// handle anew for every field.
#pragma once

#include <bit>
#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/shell/Errors.h"

static_assert(std::endian::native == std::endian::little,
              "the toolbox swaps turn little-endian memory into stored big-endian");

constexpr std::int32_t kStoredFormatVersion = 2;
constexpr std::int32_t kStoredNoObject = -1;  // a reference to nothing
constexpr std::int32_t kStoredNameBytes = 22;
constexpr std::int32_t kStoredRealBytes = 10;
constexpr std::int32_t kStoredIDBytes = 4;
// Record sizes and the places of the references the reader resolves after
// all records of a TIN are in.
constexpr std::int32_t kStoredVtxBytes = 40;
constexpr std::int32_t kStoredVtxTriangleAt = 34;
constexpr std::int32_t kStoredTriBytes = 28;
constexpr std::int32_t kStoredTriNeighborsAt = 4;
constexpr std::int32_t kStoredBrklnFixedBytes = 16;

// Conversion between world coordinates and stored reals in user units.
class TStoredUnits {
 public:
  // U and S of the drawing's units record at this moment.
  explicit TStoredUnits(KVCallback cb);
  // False when the units cannot convert a coordinate (U = 0, S zero or not finite).
  bool Valid() const { return fValid; }
  double ToUser(std::int32_t coord) const { return (coord / fScale) / fWorldPerUnit; }
  // The coordinate nearest to (stored * U) * S; false when that is no 32-bit
  // integer (or the stored real is not a number).
  bool ToWorld(double stored, std::int32_t* coord) const;

 private:
  double fWorldPerUnit = 1.0;
  double fScale = 1.0;
  bool fValid = false;
};

// Writes fields at a byte counter.  With a null handle it only measures: the
// counter advances by what would be written, so the measuring and the writing
// pass share one code path.  The first failure sticks: later fields are
// ignored and Error() reports it.
class TStoreWriter {
 public:
  TStoreWriter(KVCallback cb, KVHandle handle, std::int32_t* counter);

  bool Measuring() const { return fHandle == nullptr; }
  KVCallback CB() const { return fCB; }
  bool Ok() const { return fErr == kNoErr; }
  TErr Error() const { return fErr; }
  void Fail(TErr err) {
    if (fErr == kNoErr) fErr = err;
  }

  void PutFlag(bool on);
  void PutInt16(std::int16_t value);
  void PutInt32(std::int32_t value);
  void PutName(const unsigned char* name22);  // all 22 bytes as they stand
  void PutCoord(std::int32_t coord);          // a length or coordinate

 private:
  // Where the next `n` bytes go (null when measuring or failed); advances.
  unsigned char* Reserve(std::int32_t n);

  KVCallback fCB;
  KVHandle fHandle;
  std::int32_t* fCounter;
  std::int32_t fSize = 0;  // of the data object, for the writing pass
  TStoredUnits fUnits;
  TErr fErr = kNoErr;
};

// Reads fields from an offset, checking each against the data object's size.
// The first failure sticks: later reads give 0 without moving, and Error()
// reports it (kErrStoredDataShort for a field past the end).
class TStoreReader {
 public:
  TStoreReader(KVCallback cb, KVHandle handle, std::int32_t offset);

  KVCallback CB() const { return fCB; }
  std::int32_t Size() const { return fSize; }
  std::int32_t Offset() const { return fOffset; }
  std::int32_t Remaining() const { return fSize - fOffset; }
  bool Ok() const { return fErr == kNoErr; }
  TErr Error() const { return fErr; }
  void Fail(TErr err) {
    if (fErr == kNoErr) fErr = err;
  }

  // Moves to an offset inside the object (used to revisit records).
  void Seek(std::int32_t offset);
  void Skip(std::int32_t n);
  bool GetFlag();  // any byte but 0 is true
  std::int16_t GetInt16();
  std::int32_t GetInt32();
  // Fills all 22 bytes; a length above 21 fails with kErrStoredCount.
  void GetName(unsigned char* name22);
  std::int32_t GetCoord();  // not a 32-bit coordinate: kErrStoredCount

  // `count` records of `recordBytes` each must fit in what is left: a
  // negative count fails with kErrStoredCount, too many for the remaining
  // bytes with kErrStoredDataShort.  False on failure.
  bool CheckCount(std::int32_t count, std::int32_t recordBytes);

 private:
  // The next `n` bytes (null, and a failure, when they run past the end); advances.
  const unsigned char* Take(std::int32_t n);

  KVCallback fCB;
  KVHandle fHandle;
  std::int32_t fSize;
  std::int32_t fOffset;
  TStoredUnits fUnits;
  TErr fErr = kNoErr;
};
