// A folder of its own under /tmp for the files of one test, removed with its contents when the
// test ends, and the whole of a file read back as a string.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace tolm {

struct TempDir {
  std::string path;
  // `stem`: the start of the folder's name, "/tmp/<stem>-XXXXXX"
  explicit TempDir(const std::string& stem) {
    std::string t = "/tmp/" + stem + "-XXXXXX";
    const char* made = mkdtemp(t.data());
    path = made ? made : "";
  }
  ~TempDir() {
    if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Writes `text` as the file `name` in the folder and gives its path.
  std::string put(const std::string& name, const std::string& text) const {
    std::string p = path + "/" + name;
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }
};

inline std::string slurp(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace tolm
