// Translating and answering the --query options.
#include "queries.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "report_error.h"

Query parseQuery(const std::string& text, const std::vector<std::string>& patientNames,
                 const std::vector<std::string>& controlNames) {
  Query query;
  query.text = text;
  std::set<int> chosen;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    std::string name =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.empty()) throw ReportError("--query '" + text + "' holds an empty name");
    auto at = std::find(patientNames.begin(), patientNames.end(), name);
    if (at == patientNames.end()) {
      bool control =
          std::find(controlNames.begin(), controlNames.end(), name) != controlNames.end();
      throw ReportError(
          "--query '" + text + "': " + name +
          (control ? " is a control; a query names patients" : " is no patient's sample name"));
    }
    int number = static_cast<int>(at - patientNames.begin()) + 1;
    if (!chosen.insert(number).second)
      throw ReportError("--query '" + text + "' names " + name + " twice");
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (chosen.size() < 2) throw ReportError("--query '" + text + "' needs at least two patients");
  for (int number : chosen) {
    query.patients.push_back(number);
    query.names.push_back(patientNames[static_cast<size_t>(number - 1)]);
  }
  return query;
}

std::string queryInput(const std::vector<Query>& queries) {
  std::string input;
  for (const Query& q : queries) {
    for (size_t i = 0; i < q.patients.size(); ++i) {
      if (i > 0) input.push_back(' ');
      input.append(std::to_string(q.patients[i]));
    }
    input += "\n";
  }
  return input + "\n";
}

std::string queryListName(const Query& query) {
  char part[32];
  std::snprintf(part, sizeof part, "HH_RCHHsSharedBy%03u",
                static_cast<unsigned>(query.patients.size()));
  std::string name = part;
  for (int number : query.patients) {
    std::snprintf(part, sizeof part, "_st%03d", number);
    name += part;
  }
  return name + ".txt";
}
