// cxpack's shared command-line parsing and one-line usage errors.
#include "cli_args.h"

#include <cstdio>

std::vector<std::string> SplitOptionValues(const std::vector<std::string>& args) {
  std::vector<std::string> out;
  for (const std::string& a : args) {
    const size_t eq = a.find('=');
    if (a.compare(0, 2, "--") == 0 && eq != std::string::npos && eq > 2) {
      out.push_back(a.substr(0, eq));
      out.push_back(a.substr(eq + 1));
    } else {
      out.push_back(a);
    }
  }
  return out;
}

std::string JoinChoices(const char* const* choices) {
  std::string out;
  for (const char* const* c = choices; *c; ++c) {
    if (c != choices) out += c[1] ? ", " : " or ";
    out += *c;
  }
  return out;
}

std::string ParseCliArgs(const std::vector<std::string>& args, const std::vector<CliOption>& options,
                         CliArgs* out) {
  CliArgs parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      parsed.help = true;
      continue;
    }
    if (a.size() < 2 || a[0] != '-') {
      parsed.positional.push_back(a);
      continue;
    }
    const CliOption* option = nullptr;
    for (const CliOption& o : options)
      if (a == o.name) option = &o;
    if (!option) {
      std::string known;
      for (const CliOption& o : options) known += std::string(known.empty() ? "" : ", ") + o.name;
      return "unknown option " + a + (known.empty() ? "" : " (options: " + known + ")");
    }
    std::string value;
    if (option->takesValue) {
      if (i + 1 >= args.size()) {
        std::string what = option->choices ? JoinChoices(option->choices) : "a value";
        return a + " needs " + what;
      }
      value = args[++i];
      bool allowed = !option->choices;
      for (const char* const* c = option->choices; c && *c; ++c) allowed = allowed || value == *c;
      if (!allowed)
        return a + " takes " + JoinChoices(option->choices) + ", not \"" + value + "\"";
    }
    parsed.values[a] = value;
  }
  *out = std::move(parsed);
  return {};
}

int UsageError(const std::string& command, const std::string& problem) {
  const std::string prefix = command.empty() ? std::string() : command + ": ";
  const std::string help = command.empty() ? "cxpack help" : "cxpack help " + command;
  std::fprintf(stderr, "cxpack: %s%s; see \"%s\"\n", prefix.c_str(), problem.c_str(), help.c_str());
  return kExitUsage;
}

int Failed(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "cxpack: %s: %s\n", path.c_str(), reason.c_str());
  return kExitFailed;
}

std::string JoinTyped(const std::string& folder, const std::string& inside) {
  if (folder.empty() || folder == ".") return inside;
  const char last = folder.back();
  return folder + (last == '/' || last == '\\' ? "" : "/") + inside;
}
