// Entry points of the fuzz targets, one per reader. The libFuzzer programs
// (clang) and the replay test of saved inputs (g++) call the same functions.
// Each feeds one input to its reader from a fresh model and returns how the
// reader took it; a crash, a sanitizer report or a broken invariant (abort)
// is a finding.
#pragma once
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

// The input is the analysis file; the files it may name exist in a fixture
// directory (annotation.txt, p1.txt, p2.txt, c1.txt, areas.txt, out/).
FuzzResult fuzzAnalysisFile(const uint8_t* data, size_t size);
// The input is the annotation file of a run with 3 patients and 2 controls;
// an accepted table also gets its default regions.
FuzzResult fuzzAnnotation(const uint8_t* data, size_t size);
// The input is the genotyping file of two patients and one control over a
// fixed annotation, behind a first line that fixes layout A (rs ID, call) or
// layout B (call in column 3, rs ID in column 5).
FuzzResult fuzzGenotypesLayoutA(const uint8_t* data, size_t size);
FuzzResult fuzzGenotypesLayoutB(const uint8_t* data, size_t size);
// The input is an area file over a fixed annotation, read as excluded and
// then as target area file.
FuzzResult fuzzAreaFile(const uint8_t* data, size_t size);
// First byte: pool size (low 3 bits) and representative rows (bit 7); the
// rest is the temporary pair file of both slots of a hand-built genome.
FuzzResult fuzzPairFile(const uint8_t* data, size_t size);
// First two bytes: number of patients - 1; the rest is the answer line as the
// query reads it (up to the first line end, at most 254 characters).
FuzzResult fuzzCombinationLine(const uint8_t* data, size_t size);
// The input is an annotation file summarised line by line as annotsum does.
FuzzResult fuzzAnnotsum(const uint8_t* data, size_t size);
// velmora-report's gene file (report_entries.cpp; zlib only): GTF, GFF3 or
// BED, plain or gzip, read with small line and gene bounds; a plain input is
// read again gzip-compressed and must give the same verdict and genes.
FuzzResult fuzzGenes(const uint8_t* data, size_t size);

#ifndef VELMORA_NO_TOOL_FUZZ
// Companion programs (tool_entries.cpp). velmora-import: a map file behind
// one byte of flags (file name with a chromosome, Morgans, PLINK codes); a
// PLINK fileset with a sample list ("fam\n==\nbim\n==\nlist\n==\nbed");
// a VCF/BCF file. velmora-tracks: a start/end list.
FuzzResult fuzzImportMap(const uint8_t* data, size_t size);
FuzzResult fuzzImportPlink(const uint8_t* data, size_t size);
FuzzResult fuzzImportVcf(const uint8_t* data, size_t size);
FuzzResult fuzzTracksList(const uint8_t* data, size_t size);
#endif

struct FuzzTarget {
  const char* name;  // also the folder of its seeds and saved regressions
  FuzzResult (*entry)(const uint8_t* data, size_t size);
};
inline constexpr FuzzTarget kFuzzTargets[] = {
    {"analysis_file", fuzzAnalysisFile},
    {"annotation", fuzzAnnotation},
    {"genotypes_a", fuzzGenotypesLayoutA},
    {"genotypes_b", fuzzGenotypesLayoutB},
    {"area_file", fuzzAreaFile},
    {"pair_file", fuzzPairFile},
    {"combination_line", fuzzCombinationLine},
    {"annotsum", fuzzAnnotsum},
    {"genes", fuzzGenes},
#ifndef VELMORA_NO_TOOL_FUZZ
    {"import_map", fuzzImportMap},
    {"import_plink", fuzzImportPlink},
    {"import_vcf", fuzzImportVcf},
    {"tracks_list", fuzzTracksList},
#endif
};
