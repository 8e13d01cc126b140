// Record writer (edit descriptors). Placeholder until the descriptor engine lands.
#include "run/records.hpp"

#include "run/constants.hpp"
#include "run/units.hpp"

std::vector<std::string> fmt_records(std::string_view fmt, const std::vector<ritem> &items) {
  return {std::string()};
}

void rec_items(int unit, std::string_view fmt, const std::vector<ritem> &items) {
  for (const std::string &r : fmt_records(fmt, items)) uput(unit, r);
}

void term_line(const std::string &text) { uput(NTERM, " " + text); }

std::string padto(std::string_view s, std::size_t n) {
  std::string r(s.substr(0, std::min(s.size(), n)));
  r.resize(n, ' ');
  return r;
}
