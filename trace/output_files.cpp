#include "trace/output_files.h"

#include <filesystem>
#include <map>

std::string shared_output(const output_files& files) {
  std::map<std::string, std::string> seen;  // the file as the system names it -> option
  for (const auto& [option, path] : files) {
    if (path.empty()) continue;
    std::error_code ignored;
    const std::string canonical = std::filesystem::weakly_canonical(path, ignored).string();
    auto [it, fresh] = seen.emplace(canonical, option);
    if (!fresh) return it->second + " and " + option + " name the same file " + path;
  }
  return "";
}
