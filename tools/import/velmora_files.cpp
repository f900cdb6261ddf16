// The three kinds of velmora input file an import writes, through the shared
// velmora-format writer.
#include "velmora_files.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "base/close_file.h"
#include "base/formatted.h"
#include "base/input_file.h"
#include "base/parallel_for.h"
#include "base/safe_file.h"
#include "input_error.h"

namespace {

// Files open at once while genotyping files are written: few enough for any
// descriptor limit, many enough that the SNP table is walked only a few times.
constexpr size_t kFilesPerBatch = 200;
// Text gathered per file before it is handed to stdio.
constexpr size_t kFlushBytes = 1 << 16;
// SNPs whose lines are made for every file of a batch before any is written.
constexpr size_t kRowsPerRound = 4096;

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
  // The bytes of appendAnnotationLine with six decimals, converted without
  // printf: a genome-wide table has a million numbers to write.
  std::string text;
  for (size_t i = 0; i < table.size(); ++i) {
    const SnpRow& row = table.row(i);
    int number = row.chromosome.kind == ChromosomeKind::x ? xNumber : row.chromosome.number;
    appendInteger(text, number, 0);
    text.push_back('\t');
    appendInteger(text, row.position, 0);
    text.push_back('\t');
    appendFixed(text, row.freqA, 0, 6);
    text.push_back('\t');
    text.append(row.id);
    text.push_back('\t');
    appendFixed(text, row.cM, 0, 6);
    text.push_back('\n');
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
  // appendGenotypeLine's lines, "ID<TAB>" of a round's rows laid out once
  // and copied into every file's text, the files' texts made on all threads;
  // this thread writes them, in file order.
  std::string_view callText[4];
  for (uint8_t c = 0; c < 4; ++c) callText[c] = velmoraCallText(c);
  const int threads = threadsFor(0);
  std::string heads;
  std::vector<size_t> headEnds;  // by row of the round
  for (size_t first = 0; first < samples.size(); first += kFilesPerBatch) {
    size_t last = std::min(samples.size(), first + kFilesPerBatch);
    std::vector<File> files;
    std::vector<std::string> texts(last - first);
    for (size_t k = first; k < last; ++k) files.push_back(create(directory + fileNames[k]));
    for (size_t begin = 0; begin < table.size(); begin += kRowsPerRound) {
      const size_t end = std::min(table.size(), begin + kRowsPerRound);
      heads.clear();
      headEnds.clear();
      for (size_t i = begin; i < end; ++i) {
        heads.append(table.row(i).id);
        heads.push_back('\t');
        headEnds.push_back(heads.size());
      }
      const auto format = [&](int64_t item, int) {
        const size_t sample = samples[first + static_cast<size_t>(item)];
        std::string& text = texts[static_cast<size_t>(item)];
        size_t at = text.size();
        text.resize(at + heads.size() + 3 * (end - begin));
        char* out = text.data() + at;
        size_t head = 0;
        for (size_t i = begin; i < end; ++i) {
          const size_t headEnd = headEnds[i - begin];
          std::memcpy(out, heads.data() + head, headEnd - head);
          out += headEnd - head;
          head = headEnd;
          const std::string_view call = callText[static_cast<uint8_t>(table.call(i, sample))];
          out[0] = call[0];
          out[1] = call[1];
          out[2] = '\n';
          out += 3;
        }
      };
      forEachItemOnThreads(static_cast<int64_t>(last - first), threads, format, [] {});
      for (size_t k = first; k < last; ++k) {
        std::string& text = texts[k - first];
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
