// Error codes of the plug-in.  A code is a signed 32-bit value, 0 = no error;
// its high 16 bits are the error group (also the index of the alert's text in
// string list 11102), its low 16 bits locate the failure within the group.
#pragma once

#include <cstdint>

typedef std::int32_t TErr;

constexpr TErr kNoErr = 0;

constexpr std::int16_t ErrGroup(TErr err) { return static_cast<std::int16_t>(err >> 16); }
constexpr std::int16_t ErrDetail(TErr err) { return static_cast<std::int16_t>(err & 0xFFFF); }

// Group 0: the host refused to create the plug-in's data object.
constexpr TErr kErrNewDataObject = 1;
// Group 1: memory and handles.
constexpr TErr kErrSaveShrink = 0x10001;
constexpr TErr kErrSaveGetSize = 0x10003;
constexpr TErr kErrSaveSetSize = 0x10005;
constexpr TErr kErrSaveGetState = 0x10006;
constexpr TErr kErrNewTINList = 0x1000B;
constexpr TErr kErrMemLowAtStart = 0x10010;
// Group 3: memory ran low while drawing; drawing stopped.  0x30000 exactly
// still lets the TINs be saved.
constexpr TErr kErrGroupDrawingStopped = 0x30000;
// Group 4: the drawing header was not available when saving.
constexpr TErr kErrNoHeaderAtSave = 0x40065;
// Group 5: the user cancelled; never reported.
constexpr TErr kErrCancel = 0x50000;
constexpr std::int16_t kGroupCancel = 5;
constexpr std::int16_t kGroupDrawingStopped = 3;
// Group 7: the drawing holds no TIN.
constexpr TErr kErrNoTIN = 0x70000;
// Group 12: the TIN list or the stored data could not be set up.
constexpr TErr kErrInitTINList = 0xC0001;
constexpr TErr kErrNoHeaderAtRead = 0xC0002;
// Group 99: a command or stage that this build of the plug-in does not have
// yet.  Reported honestly instead of pretending to work.
constexpr TErr kErrNotBuilt = 0x630000;
