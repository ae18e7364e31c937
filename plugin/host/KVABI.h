// The binary boundary between the CAD host and a plug-in.
//
// The host hands the plug-in one opaque value, the callback block, on every
// call of the plug-in's `main`.  Every host service the plug-in uses -- the
// drawing interface (KV_ functions), the toolbox (memory handles, strings,
// cursors, keys, ticks), the dialog manager and the pop-up menus -- is a
// function pointer in that block.  The plug-in holds no other pointer into the
// host.  Every function receives the block itself first, so the host recovers
// its own state from `ctx`.
//
// Conventions fixed by this boundary:
//   * objects, layers, groups and the drawing header are 32-bit ids, 0 = none;
//   * coordinates are signed 32-bit world units;
//   * a 2D point is (y, x), a 3D point (x, y, z), a rectangle is
//     (top, left, bottom, right) with y growing upward;
//   * texts are length-prefixed (first byte = length, at most 255 characters);
//   * data objects are relocatable blocks reached through a handle;
//   * nothing thrown may cross this boundary in either direction.
#pragma once

#include <cstdint>

extern "C" {

typedef std::uint32_t KVObj;          // drawing object, layer, group, header
typedef char** KVHandle;              // relocatable block: *h is its address
typedef std::uint32_t KVDialogRef;    // a dialog instance of the host's dialog manager
typedef std::uint32_t KVPopUpRef;     // a pop-up menu owned by a host dialog
typedef std::int16_t KVErr;           // toolbox error, 0 = none
typedef unsigned char KVStr255[256];  // length-prefixed text

// Object type codes returned by GetObjectType.
enum : std::int16_t {
  kKVTypeNone = 0,
  kKVTypeHeader = 1,    // the drawing header, owner of data objects
  kKVTypePoly2D = 7,    // 2D polyshape
  kKVTypeLocus3D = 9,
  kKVTypeGroup = 11,
  kKVTypeText = 17,     // text block
  kKVTypePoly3D = 25,
  kKVTypeLayer = 31,
};

// Walk flags of ForEachObject: bit 1|2 = every object, members of groups
// included; bit 32 = only the selection (and members of selected groups).
enum : std::int16_t { kKVWalkAll = 3, kKVWalkSelection = 35 };

// Vertex kinds of 2D polyshapes.
enum : std::int16_t { kKVVertexCorner = 0, kKVVertexControl = 1 };

// Toolbox memory errors.
enum : KVErr { kKVNoErr = 0, kKVMemFullErr = -108, kKVNilHandleErr = -109 };

// The undo method a command sets before it changes graphics.
enum : std::int16_t { kKVUndoPluginCommand = 21 };

struct KVPoint2D {
  std::int32_t y, x;
};
struct KVPoint3D {
  std::int32_t x, y, z;
};
struct KVRect {
  std::int32_t top, left, bottom, right;
};
struct KVColor {
  std::uint8_t b[4];
};

// The drawing's units record.  Byte layout matters (the storage format reads
// the third field at byte 6), so it is packed.
#pragma pack(push, 1)
struct KVUnits {
  std::int32_t worldPerUnit;   // world units in one user unit
  std::int16_t unitKind;       // 0 metres, 1 feet
  std::uint8_t scale80[10];    // second scale factor, 80-bit real, host byte order
  std::uint8_t name[22];       // unit name, length-prefixed ("m", "ft")
};
#pragma pack(pop)
static_assert(sizeof(KVUnits) == 38, "units record layout");

// Decimal conversion records of the toolbox's number formatting.
struct KVDecForm {
  std::int16_t style;   // 0 floating, 1 fixed
  std::int16_t digits;  // digits after the point (fixed) or significant digits
};
struct KVDecimal {
  std::int8_t sgn;      // 0 positive, 1 negative
  std::int16_t exp;     // value = sig * 10^exp
  unsigned char sig[37];  // length-prefixed digit string; "N" for not-a-number
};

// What a build of a TIN left undone that the person should know of.  The
// plug-in reports them after every build (ReportBuildNotices); corner numbers
// are the polygon's vertex numbers, from 1; points are in world units.
enum : std::int16_t {
  // A segment of a breakline is not a chain of TIN edges: `first` and
  // `second` number its ends, `where` is where a TIN edge crosses it.
  kKVNoticeSegmentNotHeld = 1,
  // A corner of a polygon is not in its breakline, because its XY was
  // already a vertex: `first` numbers it, `where` is its XY, and `count` is
  // how many of the polygon's drawn segments are therefore not TIN edges
  // (the same in every notice of one polygon).
  kKVNoticeCornerDropped = 2,
};
struct KVBuildNotice {
  std::int16_t kind;
  KVObj poly;  // the 3D polygon of the breakline
  std::int32_t first, second;
  KVPoint2D where;
  std::int32_t count;
};

struct KVHostBlock;
typedef const KVHostBlock* KVCallback;

// Per-object callbacks of the walks.
typedef void (*KVObjectProc)(KVObj obj, KVCallback cb, void* user);

// Dialog events the host's dialog manager sends to the plug-in side of a
// dialog.  Answers are booleans (1/0) unless noted.
enum KVDialogEvent : std::int16_t {
  kKVDlgPrep = 1,
  kKVDlgImportData = 2,
  kKVDlgFirst = 3,
  kKVDlgExportData = 4,
  kKVDlgAnyBadValues = 5,     // 1 = a value is bad, the dialog stays open
  kKVDlgItemHit = 6,          // item
  kKVDlgCheckBoxHit = 7,      // item, new state in value
  kKVDlgRadioButtonHit = 8,   // item
  kKVDlgPopUpHit = 9,         // item, 1-based choice in value
  kKVDlgEditTextUpdated = 10, // item
  kKVDlgIdle = 11,
};
typedef std::int32_t (*KVDialogEventProc)(void* self, std::int16_t event, std::int16_t item,
                                          std::int16_t value);

// Dialog item kinds, as a dialog resource declares them.
enum : std::int16_t {
  kKVItemButton = 4,
  kKVItemCheckBox = 5,
  kKVItemRadio = 6,
  kKVItemStatic = 8,
  kKVItemEdit = 16,
  kKVItemPopUp = 64,
  kKVItemUser = 0,
};

constexpr std::uint32_t kKVABIVersion = 1;

struct KVHostBlock {
  std::uint32_t abiVersion;  // kKVABIVersion
  std::uint32_t size;        // sizeof(KVHostBlock) as the host knows it
  void* ctx;                 // the host's own state

  // ---- drawing: data objects -------------------------------------------
  KVObj (*GetDrawingHeader)(KVCallback);
  KVHandle (*FindDataObject)(KVCallback, KVObj owner, std::uint32_t tag);
  KVHandle (*NewDataObject)(KVCallback, KVObj owner, std::uint32_t tag, std::int32_t size);
  void (*DeleteAuxObject)(KVCallback, KVHandle obj, KVObj owner);

  // ---- drawing: walks ---------------------------------------------------
  std::int32_t (*NumSelectedObjects)(KVCallback);
  void (*ForEachObject)(KVCallback, std::int16_t flags, KVObjectProc proc, void* user);
  void (*ForEachLayer)(KVCallback, KVObjectProc proc, void* user);
  KVObj (*FirstMemberObj)(KVCallback, KVObj container);
  KVObj (*NextObject)(KVCallback, KVObj obj);
  KVObj (*ParentObject)(KVCallback, KVObj obj);

  // ---- drawing: reading -------------------------------------------------
  std::int16_t (*GetObjectType)(KVCallback, KVObj obj);
  void (*GetObjectName)(KVCallback, KVObj obj, unsigned char* name);  // KVStr255
  void (*GetObjectBounds)(KVCallback, KVObj obj, KVRect* out);
  std::int16_t (*GetObjectClass)(KVCallback, KVObj obj);
  void (*GetLocus3DPosition)(KVCallback, KVObj locus, KVPoint3D* out);
  std::int32_t (*CountVertices)(KVCallback, KVObj poly);
  void (*Get3DVertex)(KVCallback, KVObj poly, std::int16_t index1, KVPoint3D* out);
  std::uint8_t (*GetPolyShapeClose)(KVCallback, KVObj poly);

  // ---- drawing: creating and changing -----------------------------------
  KVObj (*CreatePolyshape)(KVCallback);
  KVObj (*Create3DPoly)(KVCallback);
  KVObj (*CreateGroup)(KVCallback);
  void (*AddVertex)(KVCallback, KVObj poly, KVPoint2D pt, std::int16_t kind, std::int16_t unused);
  void (*Add3DVertex)(KVCallback, KVObj poly, KVPoint3D pt);
  void (*SetPolyShapeClose)(KVCallback, KVObj poly, std::uint8_t closed);
  KVObj (*CreateTextBlock)(KVCallback, const unsigned char* text, KVPoint2D anchor, std::int16_t a,
                           std::int16_t b);
  void (*MoveObject)(KVCallback, KVObj obj, std::int32_t dx, std::int32_t dy);
  void (*AddObjectToContainer)(KVCallback, KVObj obj, KVObj container);
  void (*SetColor)(KVCallback, KVObj obj, KVColor color);
  void (*GetColor)(KVCallback, KVObj obj, KVColor* out);
  void (*SetFillPat)(KVCallback, KVObj obj, std::int16_t pattern);
  void (*SetLineWeight)(KVCallback, KVObj obj, std::int16_t weight);
  void (*SetObjectClass)(KVCallback, KVObj obj, std::int16_t cls);
  void (*ResetObject)(KVCallback, KVObj obj);
  void (*DeleteObject)(KVCallback, KVObj obj);

  // ---- drawing: undo ----------------------------------------------------
  void (*SetUndoMethod)(KVCallback, std::int16_t method);
  void (*AddAfterSwapObject)(KVCallback, KVObj obj);
  void (*AddBeforeSwapObject)(KVCallback, KVObj obj);

  // ---- drawing: layers, classes, units, questions -----------------------
  KVObj (*GetCurrentLayer)(KVCallback);
  void (*SetCurrentLayer)(KVCallback, KVObj layer);
  KVObj (*CreateLayer)(KVCallback, const unsigned char* name, double scale);
  void (*GetLayerScale)(KVCallback, KVObj layer, double* out);
  std::int16_t (*AddClass)(KVCallback, const unsigned char* name);
  void (*GetUnits)(KVCallback, KVUnits* out);
  void (*CoordToDimString)(KVCallback, std::int32_t length, unsigned char* out);  // KVStr255
  std::uint8_t (*Confirm)(KVCallback, std::int16_t listId, std::int16_t index, std::int16_t unused);

  // ---- memory -----------------------------------------------------------
  KVErr (*InternalAlloc)(KVCallback, std::int32_t size, void** out);
  void (*InternalFree)(KVCallback, void* ptr);
  KVHandle (*NewHandle)(KVCallback, std::int32_t size);
  void (*DisposeHandle)(KVCallback, KVHandle h);
  std::int32_t (*GetHandleSize)(KVCallback, KVHandle h);
  void (*SetHandleSize)(KVCallback, KVHandle h, std::int32_t size);
  std::int8_t (*HGetState)(KVCallback, KVHandle h);
  void (*HSetState)(KVCallback, KVHandle h, std::int8_t state);
  KVErr (*MemError)(KVCallback);
  std::int32_t (*FreeMem)(KVCallback);                                           // ordinal 285
  void (*PurgeSpace)(KVCallback, std::int32_t* total, std::int32_t* contiguous);  // ordinal 1097

  // ---- numbers ----------------------------------------------------------
  void (*LdToX80)(KVCallback, double value, std::uint8_t* x80);  // 10 bytes, host order
  double (*X80ToLd)(KVCallback, const std::uint8_t* x80);

  // ---- toolbox: ticks, strings, cursors, keys ---------------------------
  std::uint32_t (*TickCount)(KVCallback);                                        // ordinal 521
  void (*GetIndString)(KVCallback, unsigned char* out, std::int16_t listId, std::int16_t index);  // 302
  void (*NumToString)(KVCallback, std::int32_t value, unsigned char* out);
  std::int16_t (*CompareString)(KVCallback, const unsigned char* a, const unsigned char* b);  // 818, 0 = equal
  void (*NumToDecimal)(KVCallback, const KVDecForm* form, double value, KVDecimal* out);  // 1151
  void (*DecimalToString)(KVCallback, const KVDecForm* form, const KVDecimal* d,
                          unsigned char* out);                                   // 775
  void* (*GetCursor)(KVCallback, std::int16_t id);                               // 296
  void (*SetCursor)(KVCallback, void* cursor);                                   // 468
  void (*GetKeys)(KVCallback, std::uint8_t* keyMap16);                           // 305
  void (*Ordinal504)(KVCallback, std::int16_t arg);                              // beep / cursor reset

  // ---- dialog manager ---------------------------------------------------
  // Creates a dialog from resource `resId`; `self` and `proc` receive its events.
  KVDialogRef (*DialogCreate)(KVCallback, std::int16_t resId, std::int16_t value, void* self,
                              KVDialogEventProc proc);
  std::uint8_t (*DialogRun)(KVCallback, KVDialogRef dlg);  // 1 = confirmed
  void (*DialogDispose)(KVCallback, KVDialogRef dlg);
  void (*DlgPutString)(KVCallback, KVDialogRef, std::int16_t item, const unsigned char* text);
  std::uint8_t (*DlgGetString)(KVCallback, KVDialogRef, std::int16_t item, unsigned char* out);
  void (*DlgPutWord)(KVCallback, KVDialogRef, std::int16_t item, std::int16_t value);
  std::uint8_t (*DlgGetWord)(KVCallback, KVDialogRef, std::int16_t item, std::int16_t* out);
  void (*DlgPutCoord)(KVCallback, KVDialogRef, std::int16_t item, std::int32_t value, std::int16_t flag);
  std::uint8_t (*DlgGetCoord)(KVCallback, KVDialogRef, std::int16_t item, std::int32_t* out);
  void (*DlgPutChkRadio)(KVCallback, KVDialogRef, std::int16_t item, std::uint8_t on);
  std::uint8_t (*DlgGetChkRadio)(KVCallback, KVDialogRef, std::int16_t item);
  void (*DlgRedrawItem)(KVCallback, KVDialogRef, std::int16_t item);
  void (*DlgSetHelpView)(KVCallback, KVDialogRef, std::int16_t view);
  // Item type, handle and rectangle (ordinal 298); 0 when the item does not exist.
  std::int16_t (*DlgGetItem)(KVCallback, KVDialogRef, std::int16_t item, KVRect* rect);
  void (*DlgHideItem)(KVCallback, KVDialogRef, std::int16_t item);  // ordinal 325
  void (*DlgSelectText)(KVCallback, KVDialogRef, std::int16_t item, std::int16_t start,
                        std::int16_t end);                           // ordinal 462

  // ---- pop-up menus -----------------------------------------------------
  KVPopUpRef (*PopUpCreate)(KVCallback, KVDialogRef dlg, std::int16_t item, std::int16_t menuId);
  void (*PopUpDispose)(KVCallback, KVPopUpRef);
  void (*PopUpAttach)(KVCallback, KVDialogRef dlg, KVPopUpRef pop);  // AddPopUp
  void (*PopUpAppendItem)(KVCallback, KVPopUpRef, const unsigned char* text);
  void (*PopUpSetItemText)(KVCallback, KVPopUpRef, std::int16_t index1, const unsigned char* text);
  void (*PopUpDeleteItem)(KVCallback, KVPopUpRef, std::int16_t index1);
  std::int16_t (*PopUpCountItems)(KVCallback, KVPopUpRef);
  void (*PopUpSetChoice)(KVCallback, KVPopUpRef, std::int16_t index1);
  std::int16_t (*PopUpGetChoice)(KVCallback, KVPopUpRef);

  // ---- notices ----------------------------------------------------------
  // Everything the last build of the TIN named `tinName` (length-prefixed)
  // has to report; count 0 withdraws what an earlier build of it reported.
  // Appended last: a plug-in calls it only when `size` covers it.
  void (*ReportBuildNotices)(KVCallback, const unsigned char* tinName, const KVBuildNotice* notices,
                             std::int32_t count);
};

// The plug-in's entry point, exported as `main` from the shared library.
// action 1 = initialise, 2 = terminate, 3 = run the menu command in `msg`.
typedef std::int32_t (*KVPluginMainProc)(std::int16_t action, const void* msg, void** slot,
                                         KVCallback cb);

// The menu message record: the host fills the item number at byte 6.
#pragma pack(push, 1)
struct KVMenuMessage {
  std::uint8_t reserved[6];
  std::int16_t menuItem;
};
#pragma pack(pop)

}  // extern "C"
