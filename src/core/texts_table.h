// The compiled-in table of interface texts, Spanish to English.
#pragma once
#include <cstddef>
namespace corvalin {
struct TextPair {
  const char* es;
  const char* en;
};
extern const TextPair kTextPairs[];
extern const std::size_t kTextPairCount;
}  // namespace corvalin
