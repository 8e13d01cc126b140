// Deck mutator of the fuzz harness: a seeded stream of small damages to a valid deck,
// of the kinds a hurried user or a broken script produces.
#pragma once
#include <cstdint>
#include <string>

// Splitmix64: a small generator whose stream is the same on every platform.
struct fuzz_rng {
  std::uint64_t s;
  explicit fuzz_rng(std::uint64_t seed) : s(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (s += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // 0 .. n-1 (n >= 1).
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
};

// One to four mutations of the deck text, drawn from rng; `what` receives a short
// description of each, one per line.
std::string mutate_deck(const std::string &deck, fuzz_rng &rng, std::string &what);
