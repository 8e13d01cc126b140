// Deck mutator: numbers replaced by zero, negative, huge, tiny, NaN and Inf texts; lines
// dropped, duplicated or moved; groups reordered; control lines repeated; truncation.
#include "mutate.hpp"

#include <vector>

namespace {

// Replacement texts for a number. The huge and tiny ones sit at the edges of the 32-bit
// float and integer ranges, where quotients by a mesh step overflow.
const char *const kValues[] = {
    "0",          "0.",          "-1",           "1",           "2",
    "-0.5",       "1.0E38",      "3.4E38",       "-1.0E38",     "1.0E-45",
    "1.0E-30",    "1.0E-7",      "2147483647",   "2147483648",  "-2147483649.0",
    "-2.0E9",     "99999999999.0", "1.0E9",      "NaN",         "Inf",
    "-Inf",       "1E400",       "-0",           "65536",       "1.0E5",
};

std::vector<std::string> split(const std::string &t) {
  std::vector<std::string> v;
  std::size_t a = 0;
  while (a < t.size()) {
    std::size_t nl = t.find('\n', a);
    if (nl == std::string::npos) {
      v.push_back(t.substr(a));
      break;
    }
    v.push_back(t.substr(a, nl - a));
    a = nl + 1;
  }
  return v;
}

std::string join(const std::vector<std::string> &v) {
  std::string t;
  for (const auto &l : v) t += l + "\n";
  return t;
}

bool digit(char c) { return c >= '0' && c <= '9'; }
bool alpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

// Spans [begin, end) of the number texts of a line: digits with an optional point and
// exponent, with their sign. Digits glued to a name (RZ2, DDR(1)) count too: an index
// is an input like any other.
std::vector<std::pair<std::size_t, std::size_t>> numbers(const std::string &l) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  std::size_t k = 0;
  while (k < l.size()) {
    const bool starts = digit(l[k]) || (l[k] == '.' && k + 1 < l.size() && digit(l[k + 1]));
    if (!starts) {
      ++k;
      continue;
    }
    std::size_t b = k;
    if (b > 0 && (l[b - 1] == '-' || l[b - 1] == '+')) --b;
    while (k < l.size() && (digit(l[k]) || l[k] == '.')) ++k;
    if (k < l.size() && (l[k] == 'E' || l[k] == 'e' || l[k] == 'D' || l[k] == 'd') &&
        k + 1 < l.size() && (digit(l[k + 1]) || l[k + 1] == '-' || l[k + 1] == '+')) {
      ++k;
      if (l[k] == '-' || l[k] == '+') ++k;
      while (k < l.size() && digit(l[k])) ++k;
    }
    if (k < l.size() && alpha(l[k])) continue; // part of a word
    out.push_back({b, k});
  }
  return out;
}

bool group_line(const std::string &l) {
  return l.size() > 2 && (l[1] == '&' || l[1] == '$');
}

} // namespace

std::string mutate_deck(const std::string &deck, fuzz_rng &rng, std::string &what) {
  std::vector<std::string> v = split(deck);
  const int nmut = 1 + static_cast<int>(rng.below(4));
  for (int n = 0; n < nmut && !v.empty(); ++n) {
    const std::size_t kind = rng.below(100);
    const std::size_t li = rng.below(v.size());
    if (kind < 49) {
      // A number of a random line (the title line too) replaced.
      std::vector<std::size_t> cand;
      for (std::size_t k = 0; k < v.size(); ++k)
        if (!numbers(v[k]).empty()) cand.push_back(k);
      if (cand.empty()) continue;
      const std::size_t k = cand[rng.below(cand.size())];
      auto nums = numbers(v[k]);
      auto [b, e] = nums[rng.below(nums.size())];
      std::string val = kValues[rng.below(sizeof kValues / sizeof kValues[0])];
      if (rng.below(6) == 0) val = (v[k][b] == '-' ? v[k].substr(b + 1, e - b - 1) : "-" + v[k].substr(b, e - b));
      what += "line " + std::to_string(k + 1) + ": " + v[k].substr(b, e - b) + " -> " + val + "\n";
      v[k] = v[k].substr(0, b) + val + v[k].substr(e);
    } else if (kind < 55) {
      // Snapshots of the fields: all columns held (LCBACK off), electric field lines,
      // current lines or both, levels fixed or relative to the extrema. Added at the
      // head of a PLOT and a WAKE group (the same run's or not).
      std::vector<std::size_t> plot, wake;
      for (std::size_t k = 0; k < v.size(); ++k) {
        if (!group_line(v[k])) continue;
        const std::string name = v[k].substr(2, 4);
        if (name == "PLOT") plot.push_back(k);
        if (name == "WAKE") wake.push_back(k);
      }
      if (plot.empty()) continue;
      const char *const lines[] = {"LPLE=T,", "LPLC=T,", "LPLE=T, LPLC=T,"};
      std::string add = lines[rng.below(3)];
      if (rng.below(2) == 0) add += " LPALL=T,";
      const std::size_t kp = plot[rng.below(plot.size())];
      v[kp].insert(6, " " + add);
      what += "snapshots at line " + std::to_string(kp + 1) + ": " + add + "\n";
      if (!wake.empty() && rng.below(4) != 0) {
        const std::size_t kw = wake[rng.below(wake.size())];
        v[kw].insert(6, " LCBACK=F,");
        what += "all columns held at line " + std::to_string(kw + 1) + "\n";
      }
    } else if (kind < 65) {
      what += "drop line " + std::to_string(li + 1) + "\n";
      v.erase(v.begin() + static_cast<long>(li));
    } else if (kind < 73) {
      what += "duplicate line " + std::to_string(li + 1) + "\n";
      v.insert(v.begin() + static_cast<long>(li), v[li]);
    } else if (kind < 80) {
      std::string l = v[li];
      v.erase(v.begin() + static_cast<long>(li));
      const std::size_t to = rng.below(v.size() + 1);
      what += "move line " + std::to_string(li + 1) + " to " + std::to_string(to + 1) + "\n";
      v.insert(v.begin() + static_cast<long>(to), l);
    } else if (kind < 87) {
      // Two group lines swapped.
      std::vector<std::size_t> g;
      for (std::size_t k = 0; k < v.size(); ++k)
        if (group_line(v[k])) g.push_back(k);
      if (g.size() < 2) continue;
      const std::size_t a = g[rng.below(g.size())], b = g[rng.below(g.size())];
      what += "swap groups at lines " + std::to_string(a + 1) + " and " + std::to_string(b + 1) + "\n";
      std::swap(v[a], v[b]);
    } else if (kind < 94) {
      // A control line repeated, or a continuation run of one group added before the end.
      std::size_t s = v.size();
      for (std::size_t k = 0; k < v.size(); ++k)
        if (v[k].rfind("STOP", 0) == 0 || v[k].rfind("CONT", 0) == 0) {
          s = k;
          break;
        }
      if (s == v.size()) continue;
      if (rng.below(2) == 0) {
        what += "repeat control line " + std::to_string(s + 1) + "\n";
        v.insert(v.begin() + static_cast<long>(s), v[s]);
      } else {
        std::vector<std::size_t> g;
        for (std::size_t k = 0; k < s; ++k)
          if (group_line(v[k])) g.push_back(k);
        if (g.empty()) continue;
        const std::size_t a = g[rng.below(g.size())];
        what += "continuation run with line " + std::to_string(a + 1) + "\n";
        v.insert(v.begin() + static_cast<long>(s), v[a]);
        v.insert(v.begin() + static_cast<long>(s), "CONT");
      }
    } else {
      // Truncation at a line, or within one.
      if (rng.below(2) == 0) {
        what += "truncate before line " + std::to_string(li + 1) + "\n";
        v.resize(li);
      } else {
        const std::size_t c = rng.below(v[li].size() + 1);
        what += "truncate line " + std::to_string(li + 1) + " at column " + std::to_string(c + 1) + "\n";
        v[li].resize(c);
        v.resize(li + 1);
        std::string t = join(v);
        t.pop_back(); // no newline after the cut
        return t;
      }
    }
  }
  return join(v);
}
