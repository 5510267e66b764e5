// The temporary folder the setup program works in: the user's temp folder,
// else its long form, else Windows\Temp\, else the common application data
// folder, and as a last resort the Windows folder itself.
#pragma once
#include <string>

// What the system reported; empty texts for calls that failed.
struct TempFolderCandidates {
  std::u16string tempPath;       // GetTempPath2W where it exists, else GetTempPathW
  std::u16string longTempPath;   // GetLongPathNameW of tempPath
  std::u16string windowsFolder;  // GetWindowsDirectoryW
  std::u16string commonAppData;  // CSIDL_COMMON_APPDATA, not created
};

// Picks the folder from the candidates, asking `exists` about each in turn.
// Returns 1 with `folder` set (always ending with a backslash), or 0 with
// `folder` untouched when no candidate exists.
int ChooseTempFolder(const TempFolderCandidates& candidates,
                     bool (*exists)(const std::u16string& path), std::u16string* folder);

// Windows only: asks the system for the candidates and chooses as above.
int GetTempFolder(std::u16string* folder);
