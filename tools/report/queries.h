// --query: sample names translated into velmora's patient numbers, and the
// answers read back from velmora's query lists.
#pragma once
#include <string>
#include <vector>

#include "start_end_list.h"

struct Query {
  std::string text;                // as given
  std::vector<std::string> names;  // sample names, in patient order
  std::vector<int> patients;       // 1-based patient numbers, ascending
};

struct QueryAnswer {
  Query query;
  std::string listFile;           // relative to DIR; empty when velmora wrote none
  std::vector<Segment> segments;  // the RCHHs all of them share (empty: nothing shared)
};

// Throws ReportError for a name that is no patient (controls named as such),
// a name given twice, or fewer than two names.
Query parseQuery(const std::string& text, const std::vector<std::string>& patientNames,
                 const std::vector<std::string>& controlNames);

// velmora's standard input after the cutoff: one line of numbers per query,
// then the empty line that ends its dialogue.
std::string queryInput(const std::vector<Query>& queries);

// velmora's list name of a query, relative to its output directory.
std::string queryListName(const Query& query);
