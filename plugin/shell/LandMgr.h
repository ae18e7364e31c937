// TLandMgr: the manager object the host keeps for the plug-in between calls,
// and the dispatcher that runs one menu command from start to end.
//
// Between commands it holds only the host's callback value; during a command
// fTINList holds every TIN read from the drawing (registry order) and is freed,
// with every TIN in it, before the command returns.
#pragma once

#include <cstdint>

#include "plugin/host/KVUTIL.h"
#include "plugin/shell/Errors.h"

class TTIN;

// Menu items.
enum TMenuItem : std::int16_t {
  kMenuCreateTIN = 1,
  kMenuCalcArea = 2,
  kMenuCalcCutFillDatum = 3,
  kMenuDiffTIN = 4,
  kMenuNothing = 93,
  kMenuChangeTIN = 94,
  kMenuDeleteTIN = 95,
};

// docTouched: what a command did to the drawing.
enum TDocTouched : std::int32_t { kDocChanged = 0, kDocUnchanged = 1, kDocNotHandled = 5 };

// The tag of the plug-in's data object under the drawing header ("WXB0").
constexpr std::uint32_t kDataObjectTag = 0x57584230;
// Bytes at the start of the data object that belong to the host.
constexpr std::int32_t kDataObjectHostBytes = 22;

constexpr std::int16_t kAlertTextsList = 11102;
constexpr std::int16_t kQuestionsList = 11101;
constexpr std::int16_t kDetailPrefixIndex = 5;

class TLandMgr final : public TPluginObject {
 public:
  KVCallback fCB;
  TLinkedList* fTINList = nullptr;

  explicit TLandMgr(KVCallback cb) : fCB(cb) {}
  ~TLandMgr();

  // Run the menu command of `msg`; returns docTouched.
  std::int32_t DoInterface(const void* msg);

  // Registry: lookups return null (counts 0) when there is no list.
  std::int32_t GetNumOfTINs() const;
  TTIN* GetTINByNum(std::int32_t num) const;  // 1-based registry position
  TTIN* GetTINByIDNum(std::uint32_t idNum) const;
  // By tinName, or with `searchLayerNames` also by layer2DName / layer3DName.
  TTIN* GetTINByName(const unsigned char* name, bool searchLayerNames) const;
  // Appends at the end of the registry; false when the list refuses.
  bool AppendTIN(TTIN* tin);
  // The TIN whose name or layer names equal the current layer's name; else the
  // one the user picks in the chooser (kErrNoTIN, kErrCancel, kErrNewChooser,
  // kErrInitChooser).
  TErr GetDesiredTIN(TTIN** tin);
  // Bounding rectangles of the two hulls: true when one lies inside the other
  // (equal rectangles: the first is the enclosed one).
  bool OneTINEnclosesOther(TTIN* first, TTIN* second, TTIN** enclosed, TTIN** enclosing);

  // Commands.
  TErr CreateTIN();
  TErr ChangeTIN();
  TErr CalcArea(std::int32_t* docTouched);
  TErr CalcCutFillDatum(std::int32_t* docTouched);
  TErr CreateDiffTIN();
  // Null: interactive (the desired TIN, with the questions); a TIN: silent.
  TErr DeleteTIN(TTIN* tin);
  TErr GetTINOfCurrentLayer(TTIN** tin);
  // Drops TINs whose data layer is gone, then difference TINs that lost a base.
  void PurgeOrphanTINs();

  // Storage: all TINs into / out of the data object.  With a null handle the
  // writer only measures (advances *counter by what it would write).
  TErr AttachDataToDrawing(KVHandle handle, std::int32_t* counter);
  TErr ReadAllData(KVHandle handle);

  // The saving step of a command that changed the drawing: the data object is
  // deleted when no TIN is left, else resized to the measured size and written.
  TErr SaveAllTINs();

 private:
  TErr GetAllTINInfoFromDrawing();
  TErr RunMenuItem(std::int16_t item, std::int32_t* docTouched);
  void ReleaseAllTINs();
  void ReportError(TErr err);
};

// The two texts of the alert for `err` (each 256 bytes): entry (group) of
// string list 11102, and, when the detail is not 0, the detail prefix (list
// 11101 entry 5) followed by "<group>, <detail>", cut at 255 characters.
void BuildAlertTexts(KVCallback cb, TErr err, unsigned char* first, unsigned char* second);

// The entry point: action 1 initialise, 2 terminate, 3 run a command.
std::int32_t PluginMain(std::int16_t action, const void* msg, void** slot, KVCallback cb);
