// The zip component's dialog box (error and password kinds), as the front end
// must show it. The component decides the kind, the text, the buttons and
// what Enter and Escape answer; the front end implements IZipDialogPresenter
// with a real modal dialog. Without a presenter no dialog appears and the
// Escape answer is taken.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

// Results of the buttons (the Windows dialog results).
enum TZipDialogResult : int {
  ZdrOK = 1,
  ZdrCancel = 2,
  ZdrAbort = 3,
  ZdrRetry = 4,
  ZdrIgnore = 5,
  ZdrYes = 6,
  ZdrNo = 7,
  ZdrAll = 8,
  ZdrNoToAll = 9,
  ZdrYesToAll = 10,
};

// The button set, a bit per button.
enum TZipDialogButtonBits : uint32_t {
  ZdbYes = 1u << 0,
  ZdbNo = 1u << 1,
  ZdbOK = 1u << 2,
  ZdbCancel = 1u << 3,
  ZdbAbort = 1u << 4,
  ZdbRetry = 1u << 5,
  ZdbIgnore = 1u << 6,
  ZdbAll = 1u << 7,
  ZdbNoToAll = 1u << 8,
  ZdbYesToAll = 1u << 9,
};
using TZipDialogButtons = uint32_t;

// The kind of box, carried in bits 16 and up of the dialog context; the low
// 16 bits are the message id (shown in the title when verbose).
enum class TZipDialogKind {
  Information,  // error dialog: information icon, the information beep, no edit
  Password,     // no icon, no sound, a masked edit
};
constexpr uint32_t ZipDialogContext(TZipDialogKind kind, int id) {
  return (kind == TZipDialogKind::Password ? 0x10000u : 0u) | (static_cast<uint32_t>(id) & 0xFFFFu);
}
constexpr TZipDialogKind ZipDialogKindOf(uint32_t context) {
  return (context & 0x10000u) ? TZipDialogKind::Password : TZipDialogKind::Information;
}

struct TZipDialogButton {
  std::string Caption;  // with "&" before the accelerator letter
  int Result = 0;
};

// Everything the front end needs to show one box.
struct TZipDialogRequest {
  std::string Title;
  std::string Text;
  TZipDialogKind Kind = TZipDialogKind::Information;
  std::vector<TZipDialogButton> Buttons;  // left to right, in one centred row
  int DefaultResult = 0;                  // the button Enter presses
  int EscapeResult = 0;                   // the answer of Escape
  int MaxPasswordLength = 80;             // password kind: the masked edit's limit
};

class IZipDialogPresenter {
 public:
  virtual ~IZipDialogPresenter() = default;
  // Shows the box modally, centred on the screen, and returns the result of
  // the button pressed (Enter and Escape as the request says; closing the box
  // by its frame gives ZdrCancel). For the password kind the typed text is
  // returned in password.
  virtual int Execute(const TZipDialogRequest& request, std::string& password) = 0;
  // The application's title, used for boxes without a title of their own.
  virtual std::string ApplicationTitle() const { return std::string(); }
};

// The buttons of a set, in their fixed order, with the message ids of their
// captions; and the Enter and Escape answers: Enter is OK, else Yes, else
// Retry; Escape is Cancel, else No, else OK.
struct TZipButtonSpec {
  uint32_t Bit;
  int CaptionId;
  int Result;
};
std::vector<TZipButtonSpec> ZipDialogButtonSpecs(TZipDialogButtons buttons);
int ZipDialogDefaultResult(TZipDialogButtons buttons);
int ZipDialogEscapeResult(TZipDialogButtons buttons);

}  // namespace vorn
