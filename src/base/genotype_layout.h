// velmora's two layouts of a genotyping file, told apart by the first field
// of its first line: shared by velmora's reader and every program that reads
// or checks genotyping files as velmora will.
#pragma once
#include <string_view>

struct GenotypeLayout {
  bool rsIdFirst = true;  // layout A: rs ID in column 1, call in column 2
  int idColumn = 0;       // 0-based
  int callColumn = 1;     // 0-based
};

// Layout A unless the first field is digits only or empty, which is layout B
// (call in column 3, rs ID in column 5).
inline GenotypeLayout layoutOfFirstField(std::string_view first) {
  for (char c : first) {
    if (c < '0' || c > '9') return {true, 0, 1};
  }
  return {false, 4, 2};
}
