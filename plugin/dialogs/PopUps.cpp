#include "plugin/dialogs/PopUps.h"

#include "plugin/host/Str255.h"

TPopUp* MakePopUp(TDialog* dialog, std::int16_t item, std::int16_t menuId) {
  auto* popUp = new TPopUp();
  if (popUp == nullptr) return nullptr;
  if (!popUp->IPopUp(dialog, item, 0, menuId)) {
    popUp->Free();
    delete popUp;
    return nullptr;
  }
  return popUp;
}

void FreePopUp(TPopUp** popUp) {
  if (*popUp == nullptr) return;
  (*popUp)->Free();
  delete *popUp;
  *popUp = nullptr;
}

void EmptyPopUp(TPopUp* popUp) {
  if (popUp == nullptr) return;
  for (std::int16_t n = popUp->GetNumItems(); n > 0; --n) popUp->DeleteItem(n);
}

void AppendNamedItem(TPopUp* popUp, const unsigned char* name) {
  if (popUp == nullptr) return;
  static const unsigned char kPlaceholder[] = {1, 'x'};
  popUp->AppendItem(kPlaceholder);
  Str21 shown;
  PCopy(shown, name, kNameCapacity);
  popUp->SetItemText(popUp->GetNumItems(), shown);
}
