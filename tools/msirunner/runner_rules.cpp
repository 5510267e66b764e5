// Parsing the runner's inputs and mapping the setup's exit codes.
#include "runner_rules.h"

#include "app/exit_codes.h"
#include "common/result_codes.h"
#include "common/version_number.h"

namespace {

constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorInstallFailure = 1603;

// Reads decimal digits up to a blank or the end; false for none or an
// overflow. `pos` moves past them only on success.
bool ReadDecimal(const std::u16string& text, size_t* pos, uint64_t* value) {
  size_t i = *pos;
  uint64_t v = 0;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
    const uint64_t digit = uint64_t(text[i] - u'0');
    if (v > (UINT64_MAX - digit) / 10) return false;
    v = v * 10 + digit;
    ++i;
  }
  if (i == *pos) return false;
  *pos = i;
  *value = v;
  return true;
}

bool Skip(const std::u16string& text, size_t* pos, char16_t c) {
  if (*pos >= text.size() || text[*pos] != c) return false;
  ++*pos;
  return true;
}

bool IsHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); }

}  // namespace

bool ParseInstallData(const std::u16string& text, InstallData* out) {
  size_t pos = 0;
  InstallData d;
  if (!ReadDecimal(text, &pos, &d.offset) || !Skip(text, &pos, u' ') ||
      !ReadDecimal(text, &pos, &d.size) || !Skip(text, &pos, u' '))
    return false;
  if (d.size == 0 || d.offset > UINT64_MAX - d.size || text.size() - pos != 64) return false;
  for (; pos < text.size(); ++pos) {
    if (!IsHexDigit(text[pos])) return false;
    d.sha256 += char(text[pos]);
  }
  *out = d;
  return true;
}

bool ParseUninstallData(const std::u16string& text, UninstallData* out) {
  const size_t blank = text.find(u' ');
  if (blank == std::u16string::npos || blank + 1 >= text.size()) return false;
  UninstallData d;
  if (ParseVersionString(text.substr(0, blank).c_str(), &d.version) != CX_DONE) return false;
  d.productKey = text.substr(blank + 1);
  *out = d;
  return true;
}

bool QuietUninstallProgram(const std::u16string& commandLine, std::u16string* program) {
  if (commandLine.size() < 2 || commandLine[0] != u'"') return false;
  const size_t close = commandLine.find(u'"', 1);
  if (close == std::u16string::npos) return false;
  const std::u16string path = commandLine.substr(1, close - 1);
  const char16_t drive = path.empty() ? 0 : char16_t(path[0] | 0x20);
  if (path.size() < 4 || drive < u'a' || drive > u'z' || path[1] != u':' || path[2] != u'\\') return false;
  if (close + 1 < commandLine.size() && commandLine[close + 1] != u' ') return false;
  *program = path;
  return true;
}

ActionResult MapSetupExitCode(uint32_t exitCode) {
  if (exitCode == kExitSuccess) return {kErrorSuccess, false};
  if (exitCode == kExitRestartRequired) return {kErrorSuccess, true};
  return {kErrorInstallFailure, false};
}

const char* SetupExitMeaning(uint32_t exitCode) {
  switch (exitCode) {
    case kExitSuccess: return "success";
    case kExitRestartRequired: return "success; a restart completes it";
    case kExitUserCancelled: return "cancelled";
    case kExitActionFailed: return "an action failed";
    case kExitAnotherInstance: return "another setup of this product is running";
    case kExitPackageDamaged: return "the setup's package or script is damaged";
    case kExitAlreadyInstalled: return "this version or a newer one is already installed";
    case kExitNeedsAdmin: return "administrator rights missing";
    case kExitBrowserRunning: return "a browser must be closed first";
    default: return "not a code of the setup";
  }
}

std::u16string MsiLogLiteral(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'[' || c == u']' || c == u'{' || c == u'}') {
      out += u"[\\";
      out += c;
      out += u']';
    } else {
      out += c;
    }
  }
  return out;
}
