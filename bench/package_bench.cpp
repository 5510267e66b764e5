// Prints how fast the package archive is read and how fast a large setup
// script loads and expands, the two steps between a double-click and the
// wizard's first page.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "package/package_archive.h"
#include "authoring/package_writer.h"
#include "package/setup_script.h"

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A product-like tree: 40 folders of 50 files of 4 KiB each (8 MiB).
PackNode Node(const std::string& name, bool isFolder) {
  PackNode node;
  node.name = name;
  node.isFolder = isFolder;
  return node;
}

std::vector<PackNode> ProductTree() {
  PackNode top = Node("PackageFiles", true);
  for (int f = 0; f < 40; ++f) {
    PackNode folder = Node("Folder" + std::to_string(f), true);
    for (int i = 0; i < 50; ++i) {
      PackNode file = Node("file" + std::to_string(i) + ".dll", false);
      file.data.assign(4096, static_cast<char>('a' + i % 26));
      folder.children.push_back(file);
    }
    top.children.push_back(folder);
  }
  return {top};
}

// A script with `n` variables built on a common base folder, and an action
// list that uses them.
std::string LargeScript(int n) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config><CustomInfo>";
  s += "<V0>C:\\Program Files\\KOVA</V0>";
  for (int i = 1; i < n; ++i)
    s += "<V" + std::to_string(i) + ">$(V0)\\part" + std::to_string(i) + "</V" +
         std::to_string(i) + ">";
  s += "</CustomInfo><Action name=\"Insall\">";
  for (int i = 0; i < n; ++i)
    s += "<File Src=\"$(srcroot)a" + std::to_string(i) + "\" Dest=\"$(V" + std::to_string(i) +
         ")\\a.dll\"/>";
  s += "</Action></Config>\n";
  return s;
}
}  // namespace

int main() {
  std::string archive, error;
  if (BuildPackageArchive(ProductTree(), &archive, &error) != CX_OK) {
    std::fprintf(stderr, "bench: %s\n", error.c_str());
    return 1;
  }
  PackageArchive reader;
  reader.Attach(archive.data(), archive.size());
  const int rounds = 200;
  auto start = Clock::now();
  size_t entries = 0;
  for (int r = 0; r < rounds; ++r) {
    std::vector<PackageEntry> list;
    if (!reader.ReadFileTable(&list)) return 1;
    entries = list.size();
  }
  double t = Seconds(start);
  std::printf("archive table: %zu entries, %.3f ms per read (%.1f MiB archive)\n", entries,
              1000.0 * t / rounds, archive.size() / 1048576.0);

  std::string script = LargeScript(400);
  start = Clock::now();
  const int loads = 20;
  for (int r = 0; r < loads; ++r) {
    SetupScript s;
    if (s.LoadFromMemory(script.data(), script.size()) != CX_OK ||
        s.SetSystemVariables("C:\\Temp\\CxKeyPackage_00001234\\") != 1 ||
        s.ExpandVariables() != CX_OK) {
      std::fprintf(stderr, "bench: script failed\n");
      return 1;
    }
  }
  t = Seconds(start);
  std::printf("script: %zu bytes, 400 variables, load+expand %.2f ms\n", script.size(),
              1000.0 * t / loads);
#ifdef NDEBUG
  std::printf("(optimised build)\n");
#else
  std::printf("(debug build with sanitizers: expect several times faster in release)\n");
#endif
  return 0;
}
