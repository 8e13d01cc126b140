// Namelist group reader of the input deck.
//
// The deck is walked as a stream of characters that runs on across records: a record
// end counts as a blank, and '!' starts a comment that runs to the end of its record.
// Records are taken one at a time and never backed over, so when the end mark has been
// read the unit stands just after the record that holds it.
#include "run/namelist.hpp"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "run/units.hpp"

namespace {

struct nlin {
  int unit;
  const nlgroup *g;
  const char *var = nullptr; // variable being assigned, for the diagnostic
  std::string rec;           // current record
  std::size_t pos = 0;       // next character of rec
  int recno = 0;             // number of the current record
};

[[noreturn]] void fail(const nlin &s, const std::string &what) {
  read_fatal(s.unit, what, s.g->name, s.var, s.recno);
}

bool blank(char c) { return c == ' ' || c == '\t'; }
bool namechar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool digit(char c) { return c >= '0' && c <= '9'; }
char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Characters that end a name or a value.
bool ends_token(char c) {
  return blank(c) || c == '\0' || std::strchr(",/!=()&$", c) != nullptr;
}

// Move to the next character that is not a blank, a comment or a record end. The end of
// the file here is inside the group: no end mark has been read yet.
void skip(nlin &s) {
  for (;;) {
    while (s.pos < s.rec.size() && blank(s.rec[s.pos])) ++s.pos;
    if (s.pos < s.rec.size() && s.rec[s.pos] != '!') return;
    if (!uget(s.unit, s.rec)) {
      s.var = nullptr;
      fail(s, "end of file inside the group");
    }
    s.recno = urecno(s.unit);
    s.pos = 0;
  }
}

std::string read_token(nlin &s) {
  std::size_t b = s.pos;
  while (s.pos < s.rec.size() && !ends_token(s.rec[s.pos])) ++s.pos;
  return s.rec.substr(b, s.pos - b);
}

bool is_name(const std::string &t) {
  if (t.empty() || !std::isalpha(static_cast<unsigned char>(t[0]))) return false;
  for (char c : t)
    if (!namechar(c)) return false;
  return true;
}

// At a non-blank character: true (and consumed) for '/', "&END" or "$END". Any other
// '&' or '$' opens a further group before this one has ended.
bool end_mark(nlin &s) {
  char c = s.rec[s.pos];
  if (c == '/') {
    ++s.pos;
    return true;
  }
  if (c != '&' && c != '$') return false;
  std::size_t e = s.pos + 1;
  while (e < s.rec.size() && namechar(s.rec[e])) ++e;
  std::string word = s.rec.substr(s.pos + 1, e - s.pos - 1);
  for (char &ch : word) ch = upper(ch);
  if (word == "END") {
    s.pos = e;
    return true;
  }
  s.var = nullptr;
  fail(s, "no end mark before \"" + s.rec.substr(s.pos, e - s.pos) + "\"");
}

// Find the record that opens the group: its first non-blank character is '&' or '$',
// followed at once by the group name, which ends there (so &MESHX is not &MESH).
void find_group(nlin &s) {
  const std::size_t n = std::strlen(s.g->name);
  for (;;) {
    if (!uget(s.unit, s.rec))
      read_fatal(s.unit, std::string("group &") + s.g->name + " not found", nullptr, nullptr,
                 s.recno);
    s.recno = urecno(s.unit);
    const std::string &r = s.rec;
    std::size_t p = r.find_first_not_of(" \t");
    if (p == std::string::npos || (r[p] != '&' && r[p] != '$')) continue;
    if (r.size() - p - 1 < n) continue;
    bool same = true;
    for (std::size_t k = 0; k < n && same; ++k) same = upper(r[p + 1 + k]) == s.g->name[k];
    if (!same) continue;
    if (p + 1 + n < r.size() && namechar(r[p + 1 + n])) continue;
    s.pos = p + 1 + n;
    return;
  }
}

// Result of reading a number: taken, not a number of the kind, or out of range.
enum class numres { ok, bad, range };

// Optional sign and decimal digits, within lo..hi.
numres parse_int(const std::string &t, long long lo, long long hi, long long &out) {
  std::size_t k = 0;
  bool neg = false;
  if (k < t.size() && (t[k] == '+' || t[k] == '-')) neg = t[k++] == '-';
  if (k == t.size()) return numres::bad;
  long long v = 0;
  bool big = false;
  for (; k < t.size(); ++k) {
    if (!digit(t[k])) return numres::bad;
    if (!big) v = v * 10 + (t[k] - '0');
    if (v > 4294967296LL) big = true;
  }
  if (neg) v = -v;
  if (big || v < lo || v > hi) return numres::range;
  out = v;
  return numres::ok;
}

// A real in list form (E, D or Q exponent, or its sign alone), rounded once to the
// nearest 32-bit float: the reader of list-directed input does the work.
numres parse_real(const std::string &t, float &out) {
  const int r = real_text(t, out);
  return r == 0 ? numres::ok : r == 2 ? numres::range : numres::bad;
}

// Switch: an optional point, then T or F; the rest is not looked at (.TRUE., TRUE, .f).
bool parse_switch(const std::string &t, bool &out) {
  std::size_t k = t.size() > 0 && t[0] == '.' ? 1 : 0;
  if (k >= t.size()) return false;
  char c = upper(t[k]);
  if (c != 'T' && c != 'F') return false;
  out = c == 'T';
  return true;
}

// Index after a name: (i) or (i:j), within 1 to dim. Sets the elements lo..hi that the
// values may fill.
void parse_index(nlin &s, const nlvar &v, long long &lo, long long &hi) {
  ++s.pos; // '('
  std::size_t close = s.rec.find(')', s.pos);
  if (close == std::string::npos) fail(s, "index without \")\"");
  std::string in = s.rec.substr(s.pos, close - s.pos);
  s.pos = close + 1;
  std::string a = in, b;
  std::size_t colon = in.find(':');
  if (colon != std::string::npos) a = in.substr(0, colon), b = in.substr(colon + 1);
  auto trim = [](std::string &x) {
    std::size_t f = x.find_first_not_of(" \t");
    std::size_t l = x.find_last_not_of(" \t");
    x = f == std::string::npos ? std::string() : x.substr(f, l - f + 1);
  };
  trim(a);
  trim(b);
  long long i = 0, j = 0;
  if (parse_int(a, INT_MIN, INT_MAX, i) != numres::ok ||
      (colon != std::string::npos && parse_int(b, INT_MIN, INT_MAX, j) != numres::ok))
    fail(s, "bad index \"(" + in + ")\"");
  if (colon == std::string::npos) j = v.dim;
  for (long long x : {i, j})
    if (x < 1 || x > v.dim)
      fail(s, "index " + std::to_string(x) + " outside 1 to " + std::to_string(v.dim));
  if (j < i) fail(s, "bad index \"(" + in + ")\"");
  lo = i;
  hi = j;
}

// Values of one assignment into elements lo..hi. Returns false at the end mark, true
// when the next name has been read into name.
bool assign_values(nlin &s, const nlvar &v, long long lo, long long hi, std::string &name) {
  long long k = lo;
  bool got = false; // a value or a null since the last comma
  for (;;) {
    skip(s);
    char c = s.rec[s.pos];
    if (c == ',') {
      ++s.pos;
      if (!got) ++k; // two commas, or "=,": a null value, the element keeps its value
      got = false;
      continue;
    }
    if (end_mark(s)) return false;
    if (c == '=' || c == '(' || c == ')') fail(s, std::string("unexpected \"") + c + "\"");
    std::string tok = read_token(s);
    if (is_name(tok)) {
      // A word followed by '=' or an index is the next name, else a value (T, FALSE).
      skip(s);
      char n = s.rec[s.pos];
      if (n == '=' || n == '(') {
        name = tok;
        return true;
      }
    }
    long long r = 1;
    std::string val = tok;
    std::size_t star = tok.find('*');
    if (star != std::string::npos) {
      std::string rs = tok.substr(0, star);
      bool ok = !rs.empty() && rs.find_first_not_of("0123456789") == std::string::npos &&
                parse_int(rs, 1, INT_MAX, r) == numres::ok;
      if (!ok) fail(s, "bad repeat count \"" + tok + "\"");
      val = tok.substr(star + 1);
    }
    int iv = 0;
    float rv = 0.0f;
    bool lv = false;
    if (!val.empty()) {
      bool ok = true;
      if (v.kind == 'I') {
        long long x = 0;
        numres res = parse_int(val, INT_MIN, INT_MAX, x);
        if (res == numres::range) fail(s, "integer out of range \"" + val + "\"");
        ok = res == numres::ok;
        iv = static_cast<int>(x);
      } else if (v.kind == 'R') {
        numres res = parse_real(val, rv);
        if (res == numres::range) fail(s, "real out of range \"" + val + "\"");
        ok = res == numres::ok;
      } else {
        ok = parse_switch(val, lv);
      }
      if (!ok) fail(s, "bad value \"" + val + "\"");
    }
    if (k + r - 1 > hi)
      fail(s, "too many values for " + std::to_string(v.dim) +
                  (v.dim == 1 ? " element" : " elements"));
    if (!val.empty()) {
      for (long long e = k; e < k + r; ++e) {
        if (v.kind == 'I') static_cast<int *>(v.p)[e - 1] = iv;
        else if (v.kind == 'R') static_cast<float *>(v.p)[e - 1] = rv;
        else static_cast<bool *>(v.p)[e - 1] = lv;
      }
    }
    k += r; // r* alone: r null values
    got = true;
  }
}

// After the group name: the first name, or false at the end mark (an empty group).
bool first_name(nlin &s, std::string &name) {
  for (;;) {
    skip(s);
    char c = s.rec[s.pos];
    if (c == ',') {
      ++s.pos;
      continue;
    }
    if (end_mark(s)) return false;
    if (ends_token(c)) fail(s, std::string("unexpected \"") + c + "\"");
    name = read_token(s);
    return true;
  }
}

} // namespace

void rdnml(int unit, const nlgroup &g) {
  nlin s{unit, &g};
  s.recno = urecno(unit);
  find_group(s);
  std::string name;
  if (!first_name(s, name)) return;
  for (;;) {
    s.var = nullptr;
    if (!is_name(name)) fail(s, "bad name \"" + name + "\"");
    std::string up = name;
    for (char &c : up) c = upper(c);
    const nlvar *v = nullptr;
    for (const nlvar &x : g.vars)
      if (up == x.name) v = &x;
    if (!v) fail(s, "unknown name \"" + name + "\"");
    s.var = v->name;
    long long lo = 1, hi = v->dim;
    skip(s);
    if (s.rec[s.pos] == '(') {
      parse_index(s, *v, lo, hi);
      skip(s);
    }
    if (s.rec[s.pos] != '=') fail(s, "\"=\" expected after " + name);
    ++s.pos;
    if (!assign_values(s, *v, lo, hi, name)) return;
  }
}
