#include "platform/components/Masks.h"

#include "platform/runtime/Cp1250.h"

// Letter case is folded by lowering the mask when it is made and each character of the text as it is
// compared, so a range means what it says in lower case ("[A-Z]" is "[a-z]").
TMask::TMask(std::string_view original) {
  const std::string lowered = cp1250::Lower(original);
  const std::string_view mask = lowered;
  for (size_t i = 0; i < mask.size(); ++i) {
    const auto c = static_cast<unsigned char>(mask[i]);
    TElement element{TElement::Literal, {}};
    if (c == '*') {
      // A run of stars is one star.
      if (!elements_.empty() && elements_.back().kind == TElement::AnyRun) continue;
      element.kind = TElement::AnyRun;
    } else if (c == '?') {
      element.kind = TElement::AnyChar;
    } else if (c == '[') {
      size_t close = mask.find(']', i + 1);
      if (close == std::string_view::npos) {
        malformed_ = true;
        return;
      }
      std::string_view body = mask.substr(i + 1, close - i - 1);
      bool negate = !body.empty() && body.front() == '!';
      if (negate) body.remove_prefix(1);
      if (body.empty()) {
        malformed_ = true;
        return;
      }
      element.kind = TElement::Set;
      for (size_t k = 0; k < body.size(); ++k) {
        const auto low = static_cast<unsigned char>(body[k]);
        if (k + 2 < body.size() && body[k + 1] == '-') {
          const auto high = static_cast<unsigned char>(body[k + 2]);
          for (unsigned b = low; b <= high; ++b) element.chars.set(b);
          k += 2;
        } else {
          element.chars.set(low);
        }
      }
      if (negate) element.chars.flip();
      i = close;
    } else {
      element.chars.set(c);
    }
    elements_.push_back(element);
  }
}

bool TMask::MatchesAt(const TElement& element, unsigned char c) const {
  return element.kind == TElement::AnyChar || element.chars.test(c);
}

bool TMask::Matches(std::string_view text) const {
  if (malformed_) return false;
  // Greedy with one resumption point: the last star seen and the text position it took up to.
  size_t e = 0, t = 0;
  size_t starElement = std::string_view::npos, starText = 0;
  while (t < text.size()) {
    const unsigned char c = cp1250::ToLowerByte(static_cast<unsigned char>(text[t]));
    if (e < elements_.size() && elements_[e].kind == TElement::AnyRun) {
      starElement = e++;
      starText = t;
    } else if (e < elements_.size() && MatchesAt(elements_[e], c)) {
      ++e;
      ++t;
    } else if (starElement != std::string_view::npos) {
      e = starElement + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (e < elements_.size() && elements_[e].kind == TElement::AnyRun) ++e;
  return e == elements_.size();
}

bool MatchesMask(std::string_view text, std::string_view mask) { return TMask(mask).Matches(text); }
