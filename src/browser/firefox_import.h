// The root-certificate import into the user's Firefox certificate database:
// the package's CertToReg folder holds NSS's certutil.exe, our launcher
// wSpawn.exe and the root certificate, and the step runs certutil's delete,
// add and list commands against the first Firefox profile. Everything here
// is silent: the caller ignores the result.
//
// Both tools are started by their full path in the CertToReg folder, never
// found through the current directory or the search path: the setup runs
// elevated from a download or temporary folder where a planted certutil.exe
// could lie. They run without the elevation: certutil loads the PKCS #11
// modules the profile lists, and the user writes that list. Every child reads its input from the NUL device and is ended
// after kFirefoxChildTimeLimitMs, so a certutil that waits for a password
// cannot hold the worker.
//
// Portable parts (command lines, frames, the certificate's name) are here;
// the process work is Windows only (firefox_import_win.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr char kFirefoxNickname[] = "CXWSSROOT";
constexpr uint32_t kFirefoxChildTimeLimitMs = 60000;
constexpr size_t kCertutilCommandCapacity = 2048;  // bytes, terminator included
constexpr uint32_t kFrameMaxBytes = 64 * 1024;     // a longer frame ends the reading

// Results of RunWithCapturedOutput and RunAndWait.
constexpr int kRunSucceeded = 1;
constexpr int kRunFailed = 2;

struct CertutilCommands {
  std::string remove;  // certutil.exe -D -n "CXWSSROOT" -d "<prefix><profile>"
  std::string add;     // certutil.exe -A ... -i <file> .\CxWssRoot.cer -d ...
  std::string list;    // certutil.exe -L -d "<prefix><profile>"
};

// The three command lines for `certFile` (a name in the CertToReg folder)
// and `profileDir` (ANSI); `sql` nonzero selects the "sql:" database. Each is
// cut to kCertutilCommandCapacity - 1 bytes.
CertutilCommands FormatCertutilCommands(const char* certFile, const char* profileDir, int sql);

// True for the package's root certificate: the entry's full path contains
// ".cer" (with case) and its name contains "root" in any case.
bool IsRootCertificateEntry(const char16_t* fullPath, const char16_t* name);

// Appends a frame's text to `out`: the bytes up to the first zero byte, with
// every run of spaces reduced to one space.
void AppendFrameText(const uint8_t* bytes, size_t length, std::string* out);

// Reads up to `wanted` bytes into `buffer`; stores how many arrived (0 at
// the end of the data). False when the read failed.
using FrameReadFunction = bool (*)(void* context, uint8_t* buffer, uint32_t wanted,
                                   uint32_t* received);

enum class FrameReadOutcome {
  kNoData,    // the first length could not be read: the launcher never wrote
  kComplete,  // the end frame arrived
  kCut,       // the data ended or failed before the end frame, or a frame was too long
};

// Reads the launcher's frames (a u32 little-endian length, then that many
// bytes; length 0 ends) and appends their text to `output`. Short reads are
// continued until each length and frame is whole; a frame over
// kFrameMaxBytes is refused before anything is allocated.
FrameReadOutcome ReadFrames(FrameReadFunction read, void* context, std::string* output);

// Windows only. The folder is the package folder followed by
// "PackageFiles\CertToReg". With `deleteOnly` (uninstall) only the delete
// command runs: removing the product must not leave a CA trusted.
// 1 when a root certificate was found and its commands were run, else 0.
// The tools run with the user's own rights (user_token.h), and not at all
// when the profile lists a module other than NSS's own (nss_module_list.h)
// or has a secmod.db: 0 then, with the reason in `refusal`.
int RegisterFirefoxRootCert(const char16_t* folder, bool deleteOnly,
                            uint32_t timeLimitMs = kFirefoxChildTimeLimitMs,
                            std::string* refusal = nullptr);

// Windows only. Runs the certutil commands of FormatCertutilCommands with
// the tools of `toolFolder`. 1 when the final listing names the nickname.
int RunCertutil(const char16_t* toolFolder, const char* certFile, const char* profileDir, int sql,
                bool deleteOnly, uint32_t timeLimitMs = kFirefoxChildTimeLimitMs);

// Windows only. Runs `commandLine` through `toolFolder`\wSpawn.exe (started
// as ".\wSpawn.exe -h HANDLE commandLine") and appends its output text.
// kRunSucceeded when the launcher ended with 0, else kRunFailed (also when
// it could not start or ran past the time limit, and was then ended).
int RunWithCapturedOutput(const char16_t* toolFolder, const char* commandLine, std::string* output,
                          uint32_t timeLimitMs = kFirefoxChildTimeLimitMs);

// Windows only. Starts `commandLine` hidden with `toolFolder`\<its program>
// as the program, and waits up to the time limit (then ends it).
// kRunSucceeded when it started, else kRunFailed.
int RunAndWait(const char16_t* toolFolder, const char* commandLine,
               uint32_t timeLimitMs = kFirefoxChildTimeLimitMs);
