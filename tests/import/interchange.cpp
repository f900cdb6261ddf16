// Helpers of the interchange tests.
#include "import/interchange.h"

#include <filesystem>
#include <fstream>
#include <sstream>

std::string toolPath(const std::string& name) {
  std::string velmora = VELMORA_BIN;
  return velmora.substr(0, velmora.rfind('/') + 1) + name;
}

std::string sourcePath(const std::string& relative) {
  return std::string(VELMORA_SOURCE_DIR) + "/" + relative;
}

namespace {

std::vector<std::string> tabFields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  return fields;
}

}  // namespace

std::vector<AnnotationRow> readAnnotationRows(const std::string& text) {
  std::vector<AnnotationRow> rows;
  for (const std::string& line : linesOf(text)) {
    std::vector<std::string> f = tabFields(line);
    if (f.size() < 5) continue;
    rows.push_back(AnnotationRow{f[0], std::stol(f[1]), std::stod(f[2]), f[3], std::stod(f[4])});
  }
  return rows;
}

std::map<std::string, std::string> readCalls(const std::string& path) {
  std::ifstream in(path);
  std::map<std::string, std::string> calls;
  bool first = true;
  bool numeric = false;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> f = tabFields(line);
    if (first) numeric = !f.empty() && f[0].find_first_not_of("0123456789") == std::string::npos;
    first = false;
    size_t id = numeric ? 4 : 0;
    size_t call = numeric ? 2 : 1;
    if (f.size() > std::max(id, call)) calls[f[id]] = f[call];
  }
  return calls;
}

std::vector<std::string> analysisSection(const std::string& text, const std::string& label) {
  std::vector<std::string> values;
  bool inside = false;
  for (const std::string& line : linesOf(text)) {
    if (inside && !line.empty() && line[0] == ':') break;
    if (inside && !line.empty()) values.push_back(line);
    if (line == label) inside = true;
  }
  return values;
}

RunResult runImport(const std::vector<std::string>& args) {
  std::vector<std::string> argv{toolPath("velmora-import")};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv, "");
}

std::string errorLine(const RunResult& result) {
  size_t at = result.err.find("ERROR: ");
  return at == std::string::npos ? "" : result.err.substr(at, result.err.find('\n', at) - at);
}

std::map<std::string, std::string> everyEntry(const std::string& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> entries;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    std::string name = entry.path().lexically_relative(root).string();
    if (entry.is_symlink()) {
      entries[name] = "(link to " + fs::read_symlink(entry.path()).string() + ")";
    } else if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      entries[name] = bytes.str();
    } else {
      entries[name] = "(folder)";
    }
  }
  return entries;
}
