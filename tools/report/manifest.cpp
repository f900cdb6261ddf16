// Writing the manifest text.
#include "manifest.h"

#include "base/version.h"
#include "report_dir.h"
#include "sha256.h"

const char* const kReportVersion = kCompanionVersion;

namespace {

// Quotes an argument the way a POSIX shell would need it.
std::string shellWord(const std::string& word) {
  if (!word.empty() &&
      word.find_first_not_of(
          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-./=:,+@%") ==
          std::string::npos) {
    return word;
  }
  std::string quoted(1, '\'');
  for (char c : word) {
    if (c == '\'') {
      quoted.append("'\\''");
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('\'');
  return quoted;
}

}  // namespace

std::string manifestText(const std::vector<std::string>& commandLine, const std::string& status,
                         const std::vector<std::pair<std::string, std::string>>& programs,
                         const std::vector<ManifestInput>& inputs, const std::string& dir,
                         const std::vector<std::string>& written,
                         const std::vector<std::pair<std::string, std::string>>& settings,
                         const std::map<std::string, FileDigest>& known) {
  auto digestOf = [&](const std::string& path) {
    auto found = known.find(path);
    return found != known.end() ? found->second : digestFile(path);
  };
  std::string text = std::string(kManifestFirstLine) + "\n";
  std::string command;
  for (const std::string& word : commandLine) {
    if (!command.empty()) command.push_back(' ');
    command.append(shellWord(word));
  }
  text += "command\t" + command + "\n";
  text += "version\tvelmora-report\t" + std::string(kReportVersion) + "\n";
  for (const auto& [name, path] : programs) {
    FileDigest d = digestFile(path);
    text += "version\t" + name + "\tsha256:" + d.sha256 + "\n";
  }
  text += "status\t" + status + "\n";
  for (const auto& [name, value] : settings) text += "setting\t" + name + "\t" + value + "\n";
  text += "# kind\tpath\tbytes\tsha256\trole (inputs)\n";
  for (const ManifestInput& input : inputs) {
    FileDigest d = digestOf(input.path);
    text += "input\t" + input.path + "\t" + std::to_string(d.size) + "\t" + d.sha256 + "\t" +
            input.role + "\n";
  }
  for (const std::string& file : written) {
    FileDigest d = digestOf(dir + "/" + file);
    text += "file\t" + file + "\t" + std::to_string(d.size) + "\t" + d.sha256 + "\n";
  }
  return text;
}
