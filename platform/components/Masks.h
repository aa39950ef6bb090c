// File masks of the component library: "*" matches any run of characters (none too), "?" exactly one,
// "[set]" one character of the set and "[!set]" one that is not in it; a set lists characters and ranges
// ("a-z"; a "-" first or last stands for itself). Everything else matches itself, and letter case is
// ignored (code page 1250). A mask with a "[" that is never closed, or with an empty set, is malformed:
// it matches nothing, and nothing is raised.
#pragma once
#include <bitset>
#include <string>
#include <string_view>
#include <vector>

class TMask {
 public:
  explicit TMask(std::string_view mask);
  bool Matches(std::string_view text) const;
  bool Malformed() const { return malformed_; }

 private:
  struct TElement {
    enum TKind { Literal, AnyChar, AnyRun, Set } kind;
    std::bitset<256> chars;  // lower case: a literal's one byte, a set's members (already negated)
  };
  bool MatchesAt(const TElement& element, unsigned char c) const;

  std::vector<TElement> elements_;
  bool malformed_ = false;
};

bool MatchesMask(std::string_view text, std::string_view mask);
