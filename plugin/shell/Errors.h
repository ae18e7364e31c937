// Error codes of the plug-in.  A code is a signed 32-bit value, 0 = no error;
// its high 16 bits are the error group (also the index of the alert's text in
// string list 11102), its low 16 bits locate the failure within the group.
#pragma once

#include <cstdint>

typedef std::int32_t TErr;

constexpr TErr kNoErr = 0;

constexpr std::int16_t ErrGroup(TErr err) { return static_cast<std::int16_t>(err >> 16); }
constexpr std::int16_t ErrDetail(TErr err) { return static_cast<std::int16_t>(err & 0xFFFF); }

// Group 0: the host refused to create the plug-in's data object.  The same
// code 1 reports, in storage, a vertex, triangle, breakline or list that could
// not be made or listed while reading, a hull entry that names no vertex, and
// a null item met in a list while writing.
constexpr TErr kErrNewDataObject = 1;
constexpr TErr kErrStoredItem = 1;
// Group 1: memory and handles.
constexpr TErr kErrSaveShrink = 0x10001;
constexpr TErr kErrSaveGetSize = 0x10003;
constexpr TErr kErrSaveSetSize = 0x10005;
constexpr TErr kErrSaveGetState = 0x10006;
constexpr TErr kErrNewTINList = 0x1000B;
constexpr TErr kErrNewReadTIN = 0x1000C;  // a TIN object could not be made while reading
constexpr TErr kErrMemLowAtStart = 0x10010;
constexpr TErr kErrNewDiffTIN = 0x10007;
constexpr TErr kErrNewChooser = 0x1000A;
// Group 3: memory ran low while drawing; drawing stopped.  0x30000 exactly
// still lets the TINs be saved.
constexpr TErr kErrGroupDrawingStopped = 0x30000;
// Group 4: the drawing header was not available when saving.
constexpr TErr kErrNoHeaderAtSave = 0x40065;
// Group 4: the parameters dialog (allocation, initialisation) or the chooser.
constexpr TErr kErrInitTINDlg = 0x40001;
constexpr TErr kErrNewTINDlg = 0x40002;
constexpr TErr kErrInitChooser = 0x40003;
// Group 5: the user cancelled; never reported.
constexpr TErr kErrCancel = 0x50000;
constexpr std::int16_t kGroupCancel = 5;
constexpr std::int16_t kGroupDrawingStopped = 3;
// Group 6: fewer than three points selected on the current layer.
constexpr TErr kErrTooFewPoints = 0x60000;
// Group 7: the drawing holds no TIN.
constexpr TErr kErrNoTIN = 0x70000;
// Group 8: a difference TIN needs two TINs.
constexpr TErr kErrTooFewTINs = 0x80000;
// Group 12: the TIN list or the stored data could not be set up.
constexpr TErr kErrInitTINList = 0xC0001;
constexpr TErr kErrNoHeaderAtRead = 0xC0002;
constexpr TErr kErrAppendReadTIN = 0xC0003;   // a read TIN could not join the registry
constexpr TErr kErrNoTINListAtRead = 0xC0004;
constexpr TErr kErrStoredBrklnAppend = 0xC0005;  // a breakline's vertex could not be listed
constexpr TErr kErrStoredBrklnNoList = 0xC0006;  // a breakline's vertex list could not be made
constexpr TErr kErrStoredBrklnVtxNum = 0xC0007;  // a breakline entry names no vertex
// The stored data is damaged.  A field (or the records a count announces)
// runs past the end of the data object; when writing, a field would land
// past the size set by the measuring pass.
constexpr TErr kErrStoredDataShort = 0xC0008;
// A count or value that no stored TIN can have: a negative count, more hull
// entries than vertices or more than two triangles per vertex, a name longer
// than 21 characters, geometry in a record that keeps only parameters, a real
// that is no 32-bit coordinate, bytes left over after the last record; and
// drawing units that cannot convert coordinates at all.
constexpr TErr kErrStoredCount = 0xC0009;
// References that contradict each other: a vertex record out of position, a
// triangle number repeated or out of order, a reference that names no object,
// a triangle whose corners repeat, adjacency that is not mutual, a vertex
// linked to a triangle it is not a corner of, vertices not in rising elevation.
constexpr TErr kErrStoredReference = 0xC000A;
// Group 13: the stored data has an unknown format version (byte 22), or one
// TIN record carries a record version other than 1 or 2.
constexpr TErr kErrFormatVersion = 0xD0000;
constexpr TErr kErrRecordVersion = 0xD0001;
// Group 16: a difference TIN on a layer that already carries a TIN.
constexpr TErr kErrLayerHasTIN = 0x100000;
// Group 17: a base of the difference TIN keeps no geometry in the drawing.
constexpr TErr kErrBaseNotResident = 0x110000;
// Group 99: a command or stage that this build of the plug-in does not have
// yet.  Reported honestly instead of pretending to work.
constexpr TErr kErrNotBuilt = 0x630000;
