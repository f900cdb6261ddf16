// The three kinds of velmora input file an import writes, through the shared
// velmora-format writer.
#include "velmora_files.h"

#include <cstdio>
#include <memory>
#include <set>

#include "base/close_file.h"
#include "base/input_file.h"
#include "base/safe_file.h"
#include "input_error.h"

namespace {

// Files open at once while genotyping files are written: few enough for any
// descriptor limit, many enough that the SNP table is walked only a few times.
constexpr size_t kFilesPerBatch = 200;
// Text gathered per file before it is handed to stdio.
constexpr size_t kFlushBytes = 1 << 16;

using File = InputFile;  // the shared closer; written files are finished explicitly

// Through the shared creator: never through a link, never into a FIFO.
File create(const std::string& path) {
  File file(createOutput(path, WriteMode::truncate));
  if (!file) throw InputError("cannot create " + path);
  return file;
}

void put(File& file, std::string& text, const std::string& path) {
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
    throw InputError("cannot write " + path + " (disk full?)");
  }
  text.clear();
}

void finish(File file, const std::string& path) {
  if (!finishWrittenFile(file.release()))
    throw InputError("cannot write " + path + " (disk full?)");
}

}  // namespace

std::vector<std::string> genotypeFileNames(const std::vector<std::string>& sampleNames) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const std::string& sample : sampleNames) {
    std::string body;
    for (char c : sample) {
      bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '.' || c == '_' || c == '-';
      body += plain ? c : '_';
    }
    if (body.empty() || body.front() == '.') body = "sample" + body;
    if (body.size() > kLongestFileBody) body.resize(kLongestFileBody);
    std::string name = body + ".txt";
    for (int suffix = 2; !taken.insert(name).second; ++suffix) {
      name = body + "_" + std::to_string(suffix) + ".txt";
    }
    names.push_back(name);
  }
  return names;
}

std::string annotationText(const SnpTable& table, int xNumber,
                           const std::optional<XPlaceholder>& placeholder) {
  std::string text;
  for (size_t i = 0; i < table.size(); ++i) {
    const SnpRow& row = table.row(i);
    int number = row.chromosome.kind == ChromosomeKind::x ? xNumber : row.chromosome.number;
    appendAnnotationLine(text, number, row.position, row.freqA, 6, row.id, row.cM);
  }
  if (placeholder) {
    appendAnnotationLine(text, placeholder->number, 1, 0.5, 6, placeholder->id, kSmallestCM);
  }
  return text;
}

void writeAnnotation(const std::string& path, const SnpTable& table, int xNumber,
                     const std::optional<XPlaceholder>& placeholder) {
  File file = create(path);
  std::string text = annotationText(table, xNumber, placeholder);
  put(file, text, path);
  finish(std::move(file), path);
}

void writeGenotypeFiles(const std::string& directory, const SnpTable& table,
                        const std::vector<size_t>& samples,
                        const std::vector<std::string>& fileNames,
                        const std::function<void(size_t)>& progress) {
  for (size_t first = 0; first < samples.size(); first += kFilesPerBatch) {
    size_t last = std::min(samples.size(), first + kFilesPerBatch);
    std::vector<File> files;
    std::vector<std::string> texts(last - first);
    for (size_t k = first; k < last; ++k) files.push_back(create(directory + fileNames[k]));
    for (size_t i = 0; i < table.size(); ++i) {
      const std::string& id = table.row(i).id;
      for (size_t k = first; k < last; ++k) {
        std::string& text = texts[k - first];
        appendGenotypeLine(text, id, static_cast<uint8_t>(table.call(i, samples[k])));
        if (text.size() >= kFlushBytes) put(files[k - first], text, directory + fileNames[k]);
      }
    }
    for (size_t k = first; k < last; ++k) {
      put(files[k - first], texts[k - first], directory + fileNames[k]);
      finish(std::move(files[k - first]), directory + fileNames[k]);
    }
    progress(last);
  }
}

void writeAnalysisFile(const std::string& path, const AnalysisFileContent& content) {
  File file = create(path);
  std::string text = analysisFileText(content);
  put(file, text, path);
  finish(std::move(file), path);
}
