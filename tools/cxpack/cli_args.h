// The command-line conventions every cxpack command shares: "--name=value"
// is the same as "--name value", an option's value is checked against its
// choices (the error names them), and a usage error is one line ending in
// where to read more, so a typo doesn't bury itself under the whole usage.
#pragma once
#include <map>
#include <string>
#include <vector>

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct CliOption {
  const char* name;             // "--lang", "-o"
  bool takesValue;
  const char* const* choices;   // null-terminated; null: any value
};

struct CliArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // option name -> its (last) value, "" for a flag
  bool help = false;                          // --help or -h

  bool Has(const char* option) const { return values.count(option) != 0; }
  std::string Value(const char* option) const {
    auto it = values.find(option);
    return it == values.end() ? std::string() : it->second;
  }
};

// Splits every "--name=value" in two.
std::vector<std::string> SplitOptionValues(const std::vector<std::string>& args);

// Parses `args` (the words after the command's name) against `options`.
// Empty on success, else the problem, e.g. `--lang takes zh_cn, en_us or
// zh_tw, not "fr"`; `out` is untouched then.
std::string ParseCliArgs(const std::vector<std::string>& args, const std::vector<CliOption>& options,
                         CliArgs* out);

// "a, b or c".
std::string JoinChoices(const char* const* choices);

// Prints `cxpack: COMMAND: problem; see "cxpack help COMMAND"` (without the
// command when it is empty) and returns kExitUsage.
int UsageError(const std::string& command, const std::string& problem);

// Prints "cxpack: PATH: reason" and returns kExitFailed.
int Failed(const std::string& path, const std::string& reason);

// `folder` joined with a path inside it ('/'-separated), as the user would
// type it: "pkg" + "PackageFiles/X" gives "pkg/PackageFiles/X".
std::string JoinTyped(const std::string& folder, const std::string& inside);

inline const char* const kCodePageChoices[] = {"1252", "936", nullptr};
