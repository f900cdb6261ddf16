// Writing velmora's start/end lists as BED tracks: every list given, or every
// list found in a directory given, each to a BED beside it or in one folder.
#pragma once
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "bed_track.h"
#include "subject_names.h"

struct TrackRequest {
  std::vector<std::string> inputs;  // lists, or directories standing for their lists
  std::optional<std::filesystem::path> outDirectory;  // none: each BED beside its list
  std::optional<std::string> analysisFile;  // never to be written over (a BED name is checked)
  const SubjectNames* known = nullptr;      // the subjects' names, to split names fields; not owned
  ChromosomeNaming naming;
};

// Settles every track's name before writing any, refusing (std::runtime_error)
// no list, a track that would replace a list given or the analysis file, and
// two lists writing one track; then writes each through a temporary file
// renamed into place. Reports each track (or a list skipped for holding no
// segment) on `messages`. A list given by name that holds no segment is an
// error.
void writeTracks(const TrackRequest& request, std::ostream& messages);
