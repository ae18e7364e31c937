// The undo record of the last command, as the drawing file keeps it: one
// self-describing blob (CBOR) holding the steps with their object snapshots
// and the data objects as they were before the command.
#pragma once

#include <cstdint>
#include <vector>

#include "tinhost/core/UndoLog.h"

namespace tinhost::file {

std::vector<std::uint8_t> encodeUndoRecord(const UndoRecord& record);
// Throws FileError (without a file name; the caller adds it) on a damaged blob.
UndoRecord decodeUndoRecord(const std::vector<std::uint8_t>& bytes);

}  // namespace tinhost::file
