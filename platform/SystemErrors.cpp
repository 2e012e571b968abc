// The Windows error codes: their texts as Windows words them, and the code
// for an errno value of the C library. The same on every host.
#include <cerrno>
#include <string>

#include "platform/FileSystem.h"

namespace vorn {

int WinErrorFromErrno(int error) {
  switch (error) {
    case 0: return 0;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOEXEC: return ERROR_BAD_FORMAT;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC: return ERROR_DISK_FULL;
#ifdef EDQUOT
    case EDQUOT: return ERROR_DISK_FULL;
#endif
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EILSEQ: return ERROR_INVALID_NAME;
    default: return ERROR_GEN_FAILURE;
  }
}

std::string SysErrorMessage(int code) {
  switch (code) {
    case 0: return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough memory resources are available to process this command.";
    case ERROR_BAD_FORMAT: return "An attempt was made to load a program with an incorrect format.";
    case ERROR_NOT_SAME_DEVICE: return "The system cannot move the file to a different disk drive.";
    case ERROR_WRITE_FAULT: return "The system cannot write to the specified device.";
    case ERROR_READ_FAULT: return "The system cannot read from the specified device.";
    case ERROR_GEN_FAILURE: return "A device attached to the system is not functioning.";
    case ERROR_SHARING_VIOLATION:
      return "The process cannot access the file because it is being used by another process.";
    case ERROR_FILE_EXISTS: return "The file exists.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_DISK_FULL: return "There is not enough space on the disk.";
    case ERROR_INVALID_NAME: return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_NEGATIVE_SEEK:
      return "An attempt was made to move the file pointer before the beginning of the file.";
    case ERROR_DIR_NOT_EMPTY: return "The directory is not empty.";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
    case ERROR_FILENAME_EXCED_RANGE: return "The filename or extension is too long.";
    case ERROR_DIRECTORY: return "The directory name is invalid.";
    default: return "System Error.  Code: " + std::to_string(code) + ".";
  }
}

}  // namespace vorn
