// The shell services on Windows: the special folders from the shell, and
// the program start (the file operation is the same on every host:
// ShellFileOp.cpp).
#include "platform/Shell.h"

#include <filesystem>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Wildcard.h"
#include "platform/WinPath.h"
#include "platform/win32/Wide.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#undef ShellExecute

namespace fs = std::filesystem;

namespace vorn {

namespace {

// The code ShellExecuteW gives for a failed start, from the system's.
int StartError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return ERROR_FILE_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: return ERROR_PATH_NOT_FOUND;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_BAD_FORMAT: return ERROR_BAD_FORMAT;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return 0;  // out of memory or resources, as the shell reports it
    default: return ERROR_ACCESS_DENIED;
  }
}

bool IsProgram(const std::string& file) {
  const std::string name = FoldCase(ExtractFileName(file));
  return name.ends_with(".exe") || name.ends_with(".com");
}

}  // namespace

std::string GetTempFolder() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
  if (length == 0 || length > MAX_PATH + 1) return IncludeTrailingBackslash(GetCurrentDir());
  return IncludeTrailingBackslash(ToWinPath(fs::path(std::wstring(buffer, length))));
}

std::string GetDesktopFolder() {
  PWSTR path = nullptr;
  std::string desktop;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, KF_FLAG_CREATE, nullptr, &path))) {
    desktop = ExcludeTrailingBackslash(ToWinPath(fs::path(path)));
  }
  CoTaskMemFree(path);
  // With C: mapped to a folder (VORN_DRIVE_C) the desktop's path lands in
  // that folder, where it may not exist yet; copies onto the desktop must
  // land inside it, not replace it.
  if (!desktop.empty() && !DirectoryExists(desktop)) ForceDirectories(desktop);
  return desktop;
}

std::string GetProgramFolder() {
  std::wstring module(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    if (length == 0) return IncludeTrailingBackslash(GetCurrentDir());
    if (length < module.size()) {
      module.resize(length);
      break;
    }
    module.resize(module.size() * 2);
  }
  return IncludeTrailingBackslash(ToWinPath(fs::path(module).parent_path()));
}

// A program starts on its own (CreateProcessW, no handles of ours, no
// console shared); anything else goes to the shell, which opens it in the
// program registered for it.
int ShellExecute(const std::string& file, const std::string& parameters, const std::string& directory) {
  const auto host = file.empty() ? std::nullopt : HostW(file);
  if (!host) return ERROR_FILE_NOT_FOUND;
  const DWORD attributes = GetFileAttributesW(host->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return ::GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  }
  std::wstring folder;
  if (!directory.empty()) {
    const auto hostFolder = HostW(directory);
    const DWORD folderAttributes = hostFolder ? GetFileAttributesW(hostFolder->c_str()) : INVALID_FILE_ATTRIBUTES;
    if (folderAttributes == INVALID_FILE_ATTRIBUTES || !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return ERROR_PATH_NOT_FOUND;
    }
    folder = *hostFolder;
  }
  const std::wstring wideParameters = Widen(parameters);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && IsProgram(file)) {
    std::wstring commandLine = L"\"" + *host + L"\"";
    if (!wideParameters.empty()) commandLine += L" " + wideParameters;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(host->c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP | DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
      return StartError(::GetLastError());
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 42;
  }
  const auto result = reinterpret_cast<intptr_t>(
      ShellExecuteW(nullptr, L"open", host->c_str(), wideParameters.empty() ? nullptr : wideParameters.c_str(),
                    folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL));
  return static_cast<int>(result);
}

uint32_t GetCurrentProcessId() { return static_cast<uint32_t>(::GetCurrentProcessId()); }

bool ProcessIsRunning(uint32_t processId) {
  if (processId == 0) return false;
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId);
  if (!process) return ::GetLastError() != ERROR_INVALID_PARAMETER;  // refused: it runs, but is not ours
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

}  // namespace vorn
