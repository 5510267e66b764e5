// The working folder of the setup program, under which it makes its
// package folder, its uninstaller copy and its default log.
//
// Elevated, it must lie under a folder that only Administrators and SYSTEM
// can change: the owner of a folder may rename or delete anything inside
// it, whatever the item's own access list says, so the user's own temporary
// folder would let the user swap what the elevated setup runs. In order:
//   - GetTempPath2W's answer when the process runs as SYSTEM (the protected
//     SystemTemp folder; the call exists on recent Windows only);
//   - the Windows folder's Temp (from the system, never from %SystemRoot%),
//     where users may add entries but cannot rename or delete others';
//   - a folder of the setup's own under the common application data folder,
//     made with an admin-only access list and checked to be a real folder
//     owned by this process.
// Each must be a real folder, not a link. Not elevated (a standard user who
// refused the prompt), the setup keeps the user's temporary folder: the
// user's temp folder, else its long form, else Windows\Temp\, else the
// common application data folder, and as a last resort the Windows folder.
#pragma once
#include <string>
#include <vector>

// The own folder's name under the common application data folder.
constexpr char16_t kOwnWorkingFolderName[] = u"CxSetup";

// What the system reported; empty texts for calls that failed.
struct TempFolderCandidates {
  bool elevated = false;
  std::u16string systemTemp;     // GetTempPath2W for a SYSTEM process, else empty
  std::u16string windowsFolder;  // GetSystemWindowsDirectoryW
  std::u16string commonAppData;  // CSIDL_COMMON_APPDATA, not created
  std::u16string tempPath;       // the user's: GetTempPathW
  std::u16string longTempPath;   // GetLongPathNameW of tempPath
};

// How a candidate is accepted.
enum class TempFolderCheck {
  kExists,      // any existing folder (the user's own run)
  kRealFolder,  // an existing folder that is no link
  kOwnFolder,   // made (or found) with an admin-only list, a real folder owned by this process
};

struct TempFolderChoice {
  std::u16string path;  // ends with a backslash
  TempFolderCheck check;
};

// The candidates in the order they are tried.
std::vector<TempFolderChoice> TempFolderOrder(const TempFolderCandidates& candidates);

// The first candidate `accept` takes. Returns 1 with `folder` set (ending
// with a backslash), or 0 with `folder` untouched when none is taken.
int ChooseTempFolder(const TempFolderCandidates& candidates,
                     bool (*accept)(const TempFolderChoice& choice), std::u16string* folder);

// Windows only: asks the system for the candidates and chooses as above,
// once per process (the answer is kept).
int GetTempFolder(std::u16string* folder);
