// Folders only this user may write, for files that are checked and then
// used (downloaded packages, the programs unpacked from them): nobody else
// can swap such a file between the check and the use.
#pragma once

#include <string>

namespace vorn {

enum class PrivateFolderState {
  Private,      // a folder of this user's, open to nobody else (now)
  NotCreated,   // missing, and it could not be made
  NotAFolder,   // a file, a link or another kind of entry
  OtherOwner,   // another user's folder
  OpenParent,   // its parent folder lets others rename or replace it
};

// Makes the folder (one level, owner-only rights) when it is missing. An
// existing folder of this user's loses every right of group and others; one
// that belongs to another user, or is reached through a link, is left alone
// and reported. The parent must not be writable by others unless only
// owners may remove or rename its entries (as /tmp), and belong to this
// user or the superuser.
PrivateFolderState MakePrivateFolder(const std::string& path);

// Removes everything inside the folder, links themselves and not what they
// point to; false when something could not be removed.
bool EmptyFolder(const std::string& path);

}  // namespace vorn
