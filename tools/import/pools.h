// Which samples form velmora's patient and control pools: named in sample-list
// files, or taken from the PLINK phenotype (2 affected = patient, 1 unaffected
// = control). Samples in neither pool get no genotyping file.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "variant_source.h"

struct Pools {
  std::vector<size_t> patients;  // sample indexes, in pool order
  std::vector<size_t> controls;
  std::string origin;  // for the report
};

// A list file holds one sample a line: its name, or for PLINK input also
// "family-ID individual-ID"; blank lines and lines starting with '#' are skipped.
Pools assignPools(const std::vector<SampleInfo>& samples, bool phenotypesUsable,
                  const std::optional<std::string>& patientList,
                  const std::optional<std::string>& controlList);
