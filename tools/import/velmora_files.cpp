// The three kinds of velmora input file an import writes.
#include "velmora_files.h"

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <set>

#include "input_error.h"

namespace {

// Files open at once while genotyping files are written: few enough for any
// descriptor limit, many enough that the SNP table is walked only a few times.
constexpr size_t kFilesPerBatch = 200;

struct FileCloser {
  void operator()(FILE* file) const {
    if (file != nullptr) std::fclose(file);
  }
};
using File = std::unique_ptr<FILE, FileCloser>;

File create(const std::string& path) {
  File file(std::fopen(path.c_str(), "w"));
  if (!file) throw InputError("cannot create " + path);
  return file;
}

void finish(File file, const std::string& path) {
  bool failed = std::ferror(file.get()) != 0;
  failed = std::fclose(file.release()) != 0 || failed;
  if (failed) throw InputError("cannot write " + path + " (disk full?)");
}

const char* callText(Call call) {
  switch (call) {
    case Call::aa: return "AA";
    case Call::bb: return "BB";
    case Call::ab: return "AB";
    case Call::none: break;
  }
  return "--";
}

}  // namespace

std::vector<std::string> genotypeFileNames(const std::vector<SampleInfo>& samples) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const SampleInfo& sample : samples) {
    std::string body;
    for (char c : sample.name) {
      bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '.' || c == '_' || c == '-';
      body += plain ? c : '_';
    }
    if (body.empty() || body.front() == '.') body = "sample" + body;
    std::string name = body + ".txt";
    for (int suffix = 2; !taken.insert(name).second; ++suffix) {
      name = body + "_" + std::to_string(suffix) + ".txt";
    }
    names.push_back(name);
  }
  return names;
}

void writeAnnotation(const std::string& path, const SnpTable& table, int xNumber,
                     const std::optional<XPlaceholder>& placeholder) {
  File file = create(path);
  for (size_t i = 0; i < table.size(); ++i) {
    const SnpRow& row = table.row(i);
    int number = row.chromosome.kind == ChromosomeKind::x ? xNumber : row.chromosome.number;
    std::fprintf(file.get(), "%d\t%" PRId64 "\t%.6f\t%s\t%.6f\n", number, row.position, row.freqA,
                 row.id.c_str(), row.cM);
  }
  if (placeholder) {
    std::fprintf(file.get(), "%d\t1\t0.500000\t%s\t%.6f\n", placeholder->number,
                 placeholder->id.c_str(), kSmallestCM);
  }
  finish(std::move(file), path);
}

void writeGenotypeFiles(const std::string& directory, const SnpTable& table,
                        const std::vector<std::string>& fileNames,
                        const std::function<void(size_t)>& progress) {
  for (size_t first = 0; first < fileNames.size(); first += kFilesPerBatch) {
    size_t last = std::min(fileNames.size(), first + kFilesPerBatch);
    std::vector<File> files;
    for (size_t s = first; s < last; ++s) files.push_back(create(directory + fileNames[s]));
    for (size_t i = 0; i < table.size(); ++i) {
      const char* id = table.row(i).id.c_str();
      for (size_t s = first; s < last; ++s) {
        std::fprintf(files[s - first].get(), "%s\t%s\n", id, callText(table.call(i, s)));
      }
    }
    for (size_t s = first; s < last; ++s) {
      finish(std::move(files[s - first]), directory + fileNames[s]);
    }
    progress(last);
  }
}

void writeAnalysisFile(const std::string& path, const AnalysisFile& content) {
  File file = create(path);
  FILE* out = file.get();
  for (const std::string& comment : content.comments) std::fprintf(out, ": %s\n", comment.c_str());
  std::fprintf(out, "::annotation file\n%s\n", content.annotation.c_str());
  // The label must be present; left empty, no area is excluded.
  std::fprintf(out, "::excluded area file\n");
  std::fprintf(out, "::patient pool\n");
  for (const std::string& patient : content.patients) std::fprintf(out, "%s\n", patient.c_str());
  // Always present: velmora stops when the label is missing, and an empty list
  // is how it is told there are no controls.
  std::fprintf(out, "::control pool\n");
  for (const std::string& control : content.controls) std::fprintf(out, "%s\n", control.c_str());
  std::fprintf(out, "::output directory\n%s\n", content.outputDirectory.c_str());
  finish(std::move(file), path);
}
