// Pool assignment from list files or phenotypes.
#include "pools.h"

#include <map>

#include "base/line_reader.h"
#include "base/text_fields.h"
#include "input_error.h"
#include "text_input.h"

namespace {

std::vector<size_t> readList(const std::string& path, const std::vector<SampleInfo>& samples) {
  std::map<std::string, size_t> byName;
  std::map<std::string, size_t> repeated;  // a second sample of a name: the name is ambiguous
  std::map<std::string, size_t> byFamilyAndName;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (!byName.emplace(samples[i].name, i).second) repeated.emplace(samples[i].name, i);
    if (!samples[i].familyId.empty()) {
      byFamilyAndName.emplace(samples[i].familyId + '\t' + samples[i].individualId, i);
    }
  }
  TextInput input = openTextInput(path, "sample list");
  std::vector<size_t> members;
  std::vector<bool> listed(samples.size(), false);
  LineReader reader(input.file.get());
  std::string_view line;
  while (reader.next(line)) {
    std::vector<std::string_view> fields = whitespaceFields(line);
    if (fields.empty() || fields[0].front() == '#') continue;
    // The whole trimmed line is the name, so that VCF names with blanks work.
    std::string name(fields.front().data(), fields.back().data() + fields.back().size());
    std::optional<size_t> index;
    if (auto found = byName.find(name); found != byName.end()) {
      if (auto second = repeated.find(name); second != repeated.end()) {
        throw InputError("sample list " + path + " line " + std::to_string(reader.lineNumber()) +
                         ": samples " + std::to_string(found->second + 1) + " and " +
                         std::to_string(second->second + 1) + " of the input are both named '" +
                         name + "', so the list cannot tell which it means");
      }
      index = found->second;
    }
    if (!index && fields.size() == 2) {
      auto found = byFamilyAndName.find(std::string(fields[0]) + '\t' + std::string(fields[1]));
      if (found != byFamilyAndName.end()) index = found->second;
    }
    if (!index) {
      throw InputError("sample list " + path + " line " + std::to_string(reader.lineNumber()) +
                       ": no sample '" + name + "' in the input");
    }
    if (listed[*index]) throw InputError("sample list " + path + " names '" + name + "' twice");
    listed[*index] = true;
    members.push_back(*index);
  }
  requireEnd(reader.stop(), "sample list", path, reader.lineNumber(), reader.limit());
  if (members.empty()) throw InputError("sample list " + path + " names no sample");
  return members;
}

}  // namespace

Pools assignPools(const std::vector<SampleInfo>& samples, bool phenotypesUsable,
                  const std::optional<std::string>& patientList,
                  const std::optional<std::string>& controlList) {
  Pools pools;
  if (patientList) {
    pools.patients = readList(*patientList, samples);
    if (controlList) pools.controls = readList(*controlList, samples);
    pools.origin = "sample lists";
    std::vector<bool> patient(samples.size(), false);
    for (size_t i : pools.patients) patient[i] = true;
    for (size_t i : pools.controls) {
      if (patient[i]) {
        throw InputError("sample '" + samples[i].name + "' is listed as patient and as control");
      }
    }
  } else if (controlList) {
    throw InputError("--controls needs --patients as well");
  } else if (phenotypesUsable) {
    for (size_t i = 0; i < samples.size(); ++i) {
      if (samples[i].phenotype == 2) pools.patients.push_back(i);
      if (samples[i].phenotype == 1) pools.controls.push_back(i);
    }
    pools.origin = "the .fam phenotype (2 patient, 1 control)";
  } else {
    throw InputError(
        "the input carries no case/control phenotype: name the patients with --patients FILE "
        "(and the controls with --controls FILE), one sample a line");
  }
  if (pools.patients.empty()) {
    throw InputError(
        "no patient: no sample of the .fam has phenotype 2 (affected) in its sixth column, and "
        "velmora needs at least one patient; name the patients with --patients FILE (and the "
        "controls with --controls FILE), one sample a line");
  }
  return pools;
}
