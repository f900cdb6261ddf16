// Reading a region's calls back from the loaded genotype tables.
#include "genotype_view.h"

#include "genome/model.h"

GenotypeGrid genotypesOver(const CandidateRegion& region, int patients, int controls, size_t most) {
  GenotypeGrid grid;
  const size_t count = region.lastRow - region.firstRow + 1;
  grid.every = static_cast<int64_t>((count + most - 1) / most);
  const int sizes[2] = {patients, controls};
  for (int pool = 0; pool < 2; ++pool) {
    (pool == 0 ? grid.patients : grid.controls).assign(static_cast<size_t>(sizes[pool]), "");
  }
  for (size_t row = region.firstRow; row <= region.lastRow;
       row += static_cast<size_t>(grid.every)) {
    const SNPRecord& snp = genome.sumSNP[row];
    grid.bp.push_back(snp.position);
    for (int pool = 0; pool < 2; ++pool) {
      std::vector<std::string>& calls = pool == 0 ? grid.patients : grid.controls;
      for (int s = 0; s < sizes[pool]; ++s) {
        calls[static_cast<size_t>(s)].push_back(
            static_cast<char>('0' + getGType(snp.gType[pool == 0 ? enum_patients : enum_controls],
                                             static_cast<uint64_t>(s))));
      }
    }
  }
  return grid;
}
