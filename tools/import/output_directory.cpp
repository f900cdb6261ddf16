// The import's temporary directory and its renaming into place.
#include "output_directory.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

#include "base/analysis_input.h"
#include "base/line_reader.h"
#include "base/path_text.h"
#include "input_error.h"
#include "regular_file.h"

namespace fs = std::filesystem;

const char* const kImportMark = ": written by velmora-import";

namespace {

// velmora formats its output names into 1000-byte buffers, with the output
// directory as prefix; keep well clear of that.
constexpr size_t kLongestDirectoryPath = 800;

bool isLink(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// The kind of `path` without following a link: 'f' file, 'd' directory,
// 'l' link, 'o' other, 0 missing.
char kindOf(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return 0;
  if (S_ISLNK(info.st_mode)) return 'l';
  if (S_ISREG(info.st_mode)) return 'f';
  if (S_ISDIR(info.st_mode)) return 'd';
  return 'o';
}

bool startsWithMark(const std::string& analysisPath) {
  std::string problem;
  InputFile file = openRegularInput(analysisPath, problem);
  if (!file) return false;
  LineReader reader(file.get());
  std::string_view line;
  return reader.next(line) && line.rfind(kImportMark, 0) == 0;
}

// The genotyping files an earlier import wrote, as its analysis file lists
// them in the two pools: the file names of the paths in a folder named
// genotypes. Only the folder's name is compared, since an import that was
// moved keeps the paths of its old place.
std::set<std::string> genotypingFilesListed(const std::string& analysisPath) {
  std::set<std::string> names;
  AnalysisInput earlier;
  try {
    earlier = readAnalysisInput(analysisPath);
  } catch (const std::exception&) {
    return names;  // then no file there counts as the import's own
  }
  for (const std::vector<std::string>* pool : {&earlier.patients, &earlier.controls}) {
    for (const std::string& listed : *pool) {
      fs::path path(listed);
      if (path.parent_path().filename() == "genotypes") names.insert(path.filename().string());
    }
  }
  return names;
}

// "'a', 'b' and 3 more" for a message.
std::string quotedNames(const std::vector<std::string>& names) {
  constexpr size_t kNamed = 5;
  std::string text;
  for (size_t i = 0; i < names.size() && i < kNamed; ++i)
    text += (i == 0 ? "'" : ", '") + names[i] + "'";
  if (names.size() > kNamed) text += " and " + std::to_string(names.size() - kNamed) + " more";
  return text;
}

// Refuses anything in `dir` an import would not have written: the new import
// takes the place of the whole directory (only results/ moves across), so a
// user's file in it would be deleted.
void requireEarlierImport(const std::string& dir, const std::string& requested) {
  static const std::set<std::string> kExpected{"annotation.txt", "analysis.txt", "genotypes",
                                               "results"};
  std::error_code error;
  std::string stray;
  bool empty = true;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
    empty = false;
    std::string name = entry.path().filename().string();
    char kind = kindOf(entry.path().string());
    bool fits = kExpected.count(name) == 1 &&
                kind == ((name == "genotypes" || name == "results") ? 'd' : 'f');
    if (!fits && stray.empty()) stray = name;
  }
  if (error) throw InputError("cannot list --out " + requested + ": " + error.message());
  if (empty) return;
  if (stray.empty() && !startsWithMark(dir + "/analysis.txt")) stray = "analysis.txt";
  if (!stray.empty()) {
    throw InputError("--out " + requested + " holds '" + stray +
                     "', which no earlier velmora-import wrote; name a new or empty directory, "
                     "or the directory of an earlier import to replace it");
  }
  // genotypes/ holds what the earlier analysis file lists, and nothing else.
  const std::set<std::string> written = genotypingFilesListed(dir + "/analysis.txt");
  std::vector<std::string> foreign;
  const std::string genotypes = dir + "/genotypes";
  fs::directory_iterator entries = kindOf(genotypes) == 'd'
                                       ? fs::directory_iterator(genotypes, error)
                                       : fs::directory_iterator();
  for (const fs::directory_entry& entry : entries) {
    std::string name = entry.path().filename().string();
    if (kindOf(entry.path().string()) != 'f' || written.count(name) == 0)
      foreign.push_back("genotypes/" + name);
  }
  if (error) throw InputError("cannot list " + genotypes + ": " + error.message());
  if (!foreign.empty()) {
    std::sort(foreign.begin(), foreign.end());
    const std::string them = foreign.size() == 1 ? "it" : "them";
    throw InputError("--out " + requested + " holds " + quotedNames(foreign) +
                     ", which the earlier velmora-import did not write (its analysis.txt lists "
                     "the genotyping files it wrote); a new import there would delete " +
                     them + ": move " + them + " elsewhere, or name a new or empty directory");
  }
}

}  // namespace

OutputDirectory::OutputDirectory(const std::string& requested) {
  std::string base = fs::absolute(requested).lexically_normal().string();
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  // The analysis file names paths under it, one a line; the current directory
  // of a relative --out counts as well.
  refuseControlCharacters("the output directory's path", base);
  if (base.size() > kLongestDirectoryPath) {
    throw InputError("the output directory's path is longer than " +
                     std::to_string(kLongestDirectoryPath) +
                     " characters, too long for velmora's file names");
  }
  if (base == "/") throw InputError("--out cannot be the root directory");
  switch (kindOf(base)) {
    case 0:
      break;
    case 'd':
      requireEarlierImport(base, requested);
      exists_ = true;
      break;
    case 'l':
      throw InputError("--out " + requested + " is a symbolic link; name the directory itself");
    default:
      throw InputError("--out " + requested + " is a file, not a directory");
  }
  std::string parent = fs::path(base).parent_path().string();
  std::error_code error;
  fs::create_directories(parent, error);
  if (error || kindOf(parent) != 'd') {
    throw InputError("cannot create directory " + parent + (isLink(parent) ? " (a link)" : ""));
  }
  std::string pattern = parent + "/." + fs::path(base).filename().string() + ".import-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw InputError("cannot create a temporary directory in " + parent + ": " +
                     std::strerror(errno));
  }
  finalBare_ = base;
  final_ = base + "/";
  work_ = pattern + "/";
}

OutputDirectory::~OutputDirectory() {
  if (installed_) return;
  std::error_code ignored;
  fs::remove_all(work_, ignored);
}

bool OutputDirectory::install() {
  std::string work = work_.substr(0, work_.size() - 1);
  if (!exists_) {
    if (rename(work.c_str(), finalBare_.c_str()) != 0) {
      throw InputError("cannot rename " + work + " to " + finalBare_ + ": " + std::strerror(errno));
    }
    installed_ = true;
    return false;
  }
  // An earlier import's results stay with the directory the user named.
  bool keptResults = false;
  std::string oldResults = final_ + "results";
  std::string newResults = work_ + "results";
  if (kindOf(oldResults) == 'd') {
    std::error_code error;
    fs::remove(newResults, error);
    if (rename(oldResults.c_str(), newResults.c_str()) != 0) {
      throw InputError("cannot move " + oldResults +
                       " into the new import: " + std::strerror(errno));
    }
    keptResults = true;
  }
  // One atomic swap; the old tree then sits at the temporary name.
  if (renameat2(AT_FDCWD, work.c_str(), AT_FDCWD, finalBare_.c_str(), RENAME_EXCHANGE) != 0) {
    int why = errno;
    if (keptResults) rename(newResults.c_str(), oldResults.c_str());
    throw InputError("cannot put the new import in place of " + finalBare_ + ": " +
                     std::strerror(why));
  }
  installed_ = true;
  std::error_code ignored;
  fs::remove_all(work, ignored);
  return keptResults;
}
