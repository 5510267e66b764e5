// msibuild as a child process, run in the folder of its input files.
#include "msibuild_runner.h"

#ifndef _WIN32
#include <cerrno>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>
#endif

#ifdef _WIN32

bool MsibuildAvailable(std::string* reason) {
  *reason = "writing an MSI needs msitools' msibuild, which runs on Linux";
  return false;
}

bool MakeWorkFolder(const std::string&, std::string*, std::string* reason) {
  return MsibuildAvailable(reason);
}

bool RunMsibuild(const std::string&, const std::vector<std::string>&, std::string* reason) {
  return MsibuildAvailable(reason);
}

#else

namespace {
constexpr int kExecFailed = 127;
}  // namespace

bool MsibuildAvailable(std::string*) { return true; }

bool MakeWorkFolder(const std::string& prefix, std::string* made, std::string* reason) {
  std::string name = prefix + "XXXXXX";
  if (!mkdtemp(name.data())) return *reason = "cannot make a work folder beside it", false;
  *made = name;
  return true;
}

bool RunMsibuild(const std::string& folder, const std::vector<std::string>& args, std::string* reason) {
  std::vector<char*> argv;
  std::string name = "msibuild";
  argv.push_back(name.data());
  std::vector<std::string> copies(args);
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) return *reason = "cannot start msibuild", false;
  if (child == 0) {
    if (chdir(folder.c_str()) == 0) execvp(argv[0], argv.data());
    _exit(kExecFailed);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return *reason = "lost msibuild", false;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (WIFEXITED(status) && WEXITSTATUS(status) == kExecFailed)
    *reason = "msibuild did not run (is msitools installed?)";
  else if (WIFEXITED(status))
    *reason = "msibuild failed with exit status " + std::to_string(WEXITSTATUS(status));
  else
    *reason = "msibuild ended by signal " + std::to_string(WTERMSIG(status));
  return false;
}

#endif
