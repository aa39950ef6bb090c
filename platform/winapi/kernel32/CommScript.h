// The script of a scripted serial device (the grammar is in Comm.h): the chunks it answers to each line.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CommScript {
  struct Chunk {
    uint32_t delayMs;  // after the line, or after the previous chunk
    std::string bytes;
  };
  struct Rule {
    std::string line;
    bool any = false;  // "line *"
    std::vector<Chunk> chunks;
  };
  std::vector<Rule> rules;

  // The answer to a received line: the rule that names it, else the "*" rule, else null.
  const Rule* Find(std::string_view line) const;
};

// Parses a script; std::invalid_argument "line N: ..." for a malformed one.
CommScript ParseCommScript(std::string_view text);
