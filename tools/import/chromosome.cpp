// Chromosome name classification for the import.
#include "chromosome.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

// Numbers beyond this are no chromosome of any genome velmora is used on; the
// bound also keeps later arithmetic on chromosome numbers far from overflow.
constexpr int kLargestChromosomeNumber = 9999;

std::string upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

Chromosome ofKind(ChromosomeKind kind) {
  return Chromosome{kind, 0};
}

}  // namespace

Chromosome classifyChromosome(std::string_view name, std::optional<int> autosomeCount) {
  std::string text = upper(name);
  if (text.rfind("CHR", 0) == 0) text.erase(0, 3);
  if (text == "X" || text == "XY") return ofKind(ChromosomeKind::x);
  if (text == "Y") return ofKind(ChromosomeKind::y);
  if (text == "M" || text == "MT") return ofKind(ChromosomeKind::mitochondrial);

  int number = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || stop != end || number < 1 ||
      number > kLargestChromosomeNumber) {
    return ofKind(ChromosomeKind::unplaced);
  }
  if (autosomeCount && number > *autosomeCount) {
    switch (number - *autosomeCount) {
      case 1:
      case 3:
        return ofKind(ChromosomeKind::x);
      case 2:
        return ofKind(ChromosomeKind::y);
      case 4:
        return ofKind(ChromosomeKind::mitochondrial);
      default:
        return ofKind(ChromosomeKind::unplaced);
    }
  }
  return Chromosome{ChromosomeKind::autosome, number};
}

std::string chromosomeLabel(const Chromosome& chromosome) {
  switch (chromosome.kind) {
    case ChromosomeKind::autosome:
      return std::to_string(chromosome.number);
    case ChromosomeKind::x:
      return "X";
    case ChromosomeKind::y:
      return "Y";
    case ChromosomeKind::mitochondrial:
      return "MT";
    case ChromosomeKind::unplaced:
      break;
  }
  return "unplaced";
}
