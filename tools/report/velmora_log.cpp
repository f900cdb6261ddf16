// Reading velmora's standard error line by line.
#include "velmora_log.h"

#include <cstdio>
#include <cstring>

#include "base/lines.h"

VelmoraLog::VelmoraLog(int patients, int controls, std::vector<int64_t> snpsPerChromosome)
    : patients_(patients), controls_(controls) {
  int64_t sum = 0;
  for (int64_t s : snpsPerChromosome) {
    snpsBefore_.push_back(sum);
    sum += s;
  }
  snpsBefore_.push_back(sum);
  snpsTotal_ = sum > 0 ? sum : 1;
  // Fold-overlap passes of each pool in use, then the two representative passes.
  passes_ = controls_ > 0 ? 4 : 1;
  progress_.phase = "starting velmora";
}

void VelmoraLog::setShare(double passShare) {
  // The first tenth of the bar is the loading; the passes share the rest.
  double pass = passIndex_ < 0 ? 0 : passIndex_;
  progress_.share = 0.1 + 0.9 * (pass + passShare) / passes_;
  if (progress_.share > 1) progress_.share = 1;
}

void VelmoraLog::line(const std::string& text) {
  if (!text.empty()) {
    last_.push_back(text);
    if (last_.size() > 8) last_.erase(last_.begin());
  }
  if (text == "PatientPool" || text == "ControlPool") {
    context_ = text == "PatientPool" ? Context::patientPass : Context::controlPass;
    ++passIndex_;
    tableOpen_ = false;
    progress_.phase =
        text == "PatientPool" ? "patients: comparing every pair" : "controls: comparing every pair";
    progress_.chromosome = 0;
    setShare(0);
    return;
  }
  if (text.rfind("Representative: ", 0) == 0) {
    context_ = Context::other;
    ++passIndex_;
    progress_.phase = "comparing with the representative HH (" + text.substr(16) + ")";
    progress_.chromosome = 0;
    setShare(0);
    return;
  }
  if (text.find("Input the numbers for the subjects") != std::string::npos) {
    context_ = Context::other;
    progress_.phase = "query";
    progress_.chromosome = 0;
    progress_.share = 1;
  }
  int chromosome = 0;
  long tenth = 0;
  const char* at = std::strstr(text.c_str(), "chromosome ");
  if (at != nullptr &&
      std::sscanf(at, "chromosome %d: %ld/10 completed.", &chromosome, &tenth) == 2) {
    progress_.chromosome = chromosome;
    if (progress_.phase != "query" && chromosome >= 1 &&
        chromosome < static_cast<int>(snpsBefore_.size())) {
      double done = snpsBefore_[chromosome - 1] +
                    (snpsBefore_[chromosome] - snpsBefore_[chromosome - 1]) * (tenth / 10.0);
      setShare(done / snpsTotal_);
    }
    return;
  }
  if (text.rfind("Annotation data read", 0) == 0) {
    progress_.phase = "reading the annotation";
    progress_.share = 0.02;
  } else if (text.rfind("A total of ", 0) == 0 &&
             text.find("SNP typing data was read") != std::string::npos) {
    progress_.phase = "reading the genotyping files";
    long subject = 0;
    if (std::sscanf(text.c_str(), "A total of %*d SNP typing data was read for subject %ld",
                    &subject) == 1) {
      bool control = text.find("control pool") != std::string::npos;
      double all = patients_ + controls_;
      progress_.share = 0.02 + 0.08 * ((control ? patients_ : 0) + subject) / (all > 0 ? all : 1);
    }
  }

  // Pair tables: the first one after each pool's fold-overlap pass.
  if (text.rfind("( St1, St2 )", 0) == 0) {
    int pool = context_ == Context::patientPass ? 0 : context_ == Context::controlPass ? 1 : -1;
    tableOpen_ = pool >= 0 && !tableTaken_[pool];
    if (tableOpen_) tableTaken_[pool] = true;
    return;
  }
  if (!tableOpen_) return;
  if (text.empty() || text[0] != '(') {
    tableOpen_ = false;
    return;
  }
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  char* fields[kMaxFields];
  int count = split(buffer.data(), fields, "\t", kMaxFields);
  PairRow row;
  if (count < 10 || std::sscanf(fields[0], "(%d,%d)", &row.first, &row.second) != 2) {
    tableOpen_ = false;
    return;
  }
  row.pool = context_ == Context::patientPass ? 0 : 1;
  row.cutoff = fields[1];
  row.firstFile = fields[2];
  row.secondFile = fields[3];
  row.cMConserved = fields[4];
  row.ratio = fields[5];
  row.snpsFirst = fields[6];
  row.snpsSecond = fields[7];
  row.typeA = fields[8];
  row.typeB = fields[9];
  pairs_.push_back(std::move(row));
}
