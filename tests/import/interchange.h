// Shared by the import, export, tracks and figure tests: where the built
// tools are, and velmora's input files read back into comparable values.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "common/harness.h"

// The interchange tools are built beside velmora.
std::string toolPath(const std::string& name);
std::string sourcePath(const std::string& relative);

struct AnnotationRow {
  std::string chromosome;
  long position = 0;  // bp
  double freqA = 0;
  std::string id;
  double cM = 0;
};

std::vector<AnnotationRow> readAnnotationRows(const std::string& text);

// rsID -> call text of a genotyping file in either of velmora's layouts.
std::map<std::string, std::string> readCalls(const std::string& path);

// The lines of an analysis file's section after `label` (trimmed, non-empty).
std::vector<std::string> analysisSection(const std::string& text, const std::string& label);

// Runs velmora-import with the given arguments.
RunResult runImport(const std::vector<std::string>& args);

// The first "ERROR: " line of a run's standard error, or "".
std::string errorLine(const RunResult& result);

// Every entry under `root` (relative name -> bytes of a file, the target of a
// link, or "(folder)"), for telling that a refused run wrote nothing.
std::map<std::string, std::string> everyEntry(const std::string& root);
