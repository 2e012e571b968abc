// The alias step ("Alias e sistemazione file"): makes the module's archive
// reachable through the engine alias "ZAV" and prepares its data folders.
//
// A first installation registers the alias, creates the archive folder
// "Archivi" and fills it with the unpacked empty tables, and creates and
// fills "CriptaCF". An update finds the archive folder and aligns its tables
// (ArchiveAlignment); an existing "CriptaCF" is left untouched.
#pragma once

#include <string>

#include "platform/UserInterface.h"

namespace vorn {

class ArchiveAlignment;
class TSession;

struct AliasStepFolders {
  std::string ProductDir;   // "C:\VornZAV\", with its trailing backslash
  std::string InstTempDir;  // where the package was unpacked, no trailing backslash
};

// The click handler of BtnAlias. defaultSession is the engine's default
// session (the alias goes into the stored configuration); alignment is the
// window's alignment run. Engine errors while registering the alias pass to
// the caller, as do the errors of the alignment's own preparation; a folder
// that cannot be created shows an error box and the step goes on.
void BtnAliasClick(IUserInterface& ui, TSession& defaultSession, ArchiveAlignment& alignment,
                   const AliasStepFolders& folders);

}  // namespace vorn
