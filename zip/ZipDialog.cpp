// The button rules of the zip component's dialog box.
#include "zip/ZipDialog.h"

#include "zip/ZipMessageIds.h"

namespace vorn {

namespace {

constexpr TZipButtonSpec kButtonOrder[] = {
    {ZdbYes, MsgYesButton, ZdrYes},           {ZdbNo, MsgNoButton, ZdrNo},
    {ZdbOK, MsgOKButton, ZdrOK},              {ZdbCancel, MsgCancelButton, ZdrCancel},
    {ZdbAbort, MsgAbortButton, ZdrAbort},     {ZdbRetry, MsgRetryButton, ZdrRetry},
    {ZdbIgnore, MsgIgnoreButton, ZdrIgnore},  {ZdbAll, MsgCancelAllButton, ZdrAll},
    {ZdbNoToAll, MsgNoToAllButton, ZdrNoToAll}, {ZdbYesToAll, MsgYesToAllButton, ZdrYesToAll},
};

}  // namespace

std::vector<TZipButtonSpec> ZipDialogButtonSpecs(TZipDialogButtons buttons) {
  std::vector<TZipButtonSpec> specs;
  for (const TZipButtonSpec& button : kButtonOrder) {
    if (buttons & button.Bit) specs.push_back(button);
  }
  return specs;
}

int ZipDialogDefaultResult(TZipDialogButtons buttons) {
  if (buttons & ZdbOK) return ZdrOK;
  if (buttons & ZdbYes) return ZdrYes;
  if (buttons & ZdbRetry) return ZdrRetry;
  return 0;
}

int ZipDialogEscapeResult(TZipDialogButtons buttons) {
  if (buttons & ZdbCancel) return ZdrCancel;
  if (buttons & ZdbNo) return ZdrNo;
  if (buttons & ZdbOK) return ZdrOK;
  return ZdrCancel;
}

}  // namespace vorn
