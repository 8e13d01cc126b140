// Record writer: walks a list of edit descriptors over the items of one write and
// builds the text records. A descriptor list is parsed once into a small tree and kept
// by its text, since the same lists are written many times (the point records of the
// plot file). Numbers are rendered from the exact binary value of the 32-bit real:
// the C library's %e and %f conversions of the (exact) double round the exact decimal
// expansion to nearest with ties to even, which is what gfortran writes.
#include "run/records.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "run/constants.hpp"
#include "run/units.hpp"

namespace {

// One node of a parsed descriptor list.
struct fdesc {
  char op;           // '\'' literal, 'X', 'P', '/', '(' group, or I F E G L A
  int rep = 1;       // repeat count (groups and data descriptors), count of X and /
  int w = -1;        // field width (-1: A without width)
  int d = -1;        // decimals (F, E), significant digits (G), minimum digits (I)
  int k = 0;         // scale factor of P
  std::string text;  // literal
  std::vector<fdesc> sub;  // group members
};

struct flist {
  std::vector<fdesc> top;
  std::size_t revert = 0;  // index in top where reversion resumes
};

[[noreturn]] void wfatal(std::string_view fmt, const std::string &what) {
  start_fatal("record writer: " + what + " in the descriptor list " + std::string(fmt));
}

// ---------------------------------------------------------------- parsing

struct fparser {
  std::string_view s;
  std::size_t p = 0;

  void blanks() {
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
  }
  bool digit() const { return p < s.size() && s[p] >= '0' && s[p] <= '9'; }
  int number() {
    long v = 0;
    while (digit()) {
      v = v * 10 + (s[p++] - '0');
      if (v > 100000) wfatal(s, "count above 100000");
    }
    return static_cast<int>(v);
  }
  char upper() const {
    char c = s[p];
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }

  // Members up to the closing parenthesis (consumed).
  std::vector<fdesc> members() {
    std::vector<fdesc> v;
    for (;;) {
      blanks();
      if (p >= s.size()) wfatal(s, "missing right parenthesis");
      char c = s[p];
      if (c == ')') {
        ++p;
        return v;
      }
      if (c == ',') {
        ++p;
        continue;
      }
      v.push_back(member());
    }
  }

  fdesc member() {
    fdesc f{};
    char c = s[p];
    if (c == '\'' || c == '"') {  // literal; the quote doubled stands for itself
      f.op = '\'';
      ++p;
      for (;;) {
        if (p >= s.size()) wfatal(s, "unterminated literal");
        if (s[p] == c) {
          if (p + 1 < s.size() && s[p + 1] == c) {
            f.text += c;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        f.text += s[p++];
      }
      return f;
    }
    bool neg = false;
    if (c == '-' || c == '+') {
      neg = c == '-';
      ++p;
      blanks();
      if (!digit()) wfatal(s, "sign without a scale factor");
    }
    bool counted = digit();
    int n = counted ? number() : 1;
    blanks();
    if (p >= s.size()) wfatal(s, "missing right parenthesis");
    char u = upper();
    if (neg && u != 'P') wfatal(s, "sign before a descriptor other than P");
    if (u == 'P') {
      if (!counted) wfatal(s, "P without a scale factor");
      ++p;
      f.op = 'P';
      f.k = neg ? -n : n;
      return f;
    }
    if (counted && n == 0) wfatal(s, "zero repeat count");
    f.rep = n;
    if (u == 'X' || u == '/') {
      ++p;
      f.op = u;
      return f;
    }
    if (u == '(') {
      ++p;
      f.op = '(';
      f.sub = members();
      return f;
    }
    if (u == 'I' || u == 'F' || u == 'E' || u == 'G' || u == 'L' || u == 'A') {
      ++p;
      f.op = u;
      blanks();
      if (!digit()) {
        if (u != 'A') wfatal(s, std::string("width missing after ") + u);
        return f;  // A: the text's own length
      }
      f.w = number();
      if (f.w == 0) wfatal(s, std::string("zero width of ") + u);
      blanks();
      if (p < s.size() && s[p] == '.') {
        if (u == 'L' || u == 'A') wfatal(s, std::string("decimals after ") + u);
        ++p;
        blanks();
        if (!digit()) wfatal(s, "digits missing after the point");
        f.d = number();
      } else if (u == 'F' || u == 'E' || u == 'G') {
        wfatal(s, std::string("decimals missing after ") + u);
      }
      if (u == 'G' && f.d == 0) wfatal(s, "G with zero significant digits");
      if (f.w > 1000 || f.d > 1000) wfatal(s, "field above 1000 columns");
      return f;
    }
    wfatal(s, std::string("unknown descriptor '") + s[p] + "'");
  }
};

flist parse(std::string_view fmt) {
  fparser ps{fmt};
  ps.blanks();
  if (ps.p >= fmt.size() || fmt[ps.p] != '(') wfatal(fmt, "no left parenthesis");
  ++ps.p;
  flist fl;
  fl.top = ps.members();
  ps.blanks();
  if (ps.p != fmt.size()) wfatal(fmt, "text after the final parenthesis");
  for (std::size_t j = 0; j < fl.top.size(); ++j)
    if (fl.top[j].op == '(') fl.revert = j;
  return fl;
}

struct text_hash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

const flist &parsed(std::string_view fmt) {
  // Called only from the main thread.
  static std::unordered_map<std::string, flist, text_hash, std::equal_to<>> cache;
  auto it = cache.find(fmt);
  if (it == cache.end()) it = cache.emplace(std::string(fmt), parse(fmt)).first;
  return it->second;
}

// ---------------------------------------------------------------- rendering

void stars(std::string &out, int w) { out.append(static_cast<std::size_t>(w), '*'); }

// Right-justify s in w columns, or w asterisks when it does not fit.
void field(std::string &out, const std::string &s, int w) {
  if (static_cast<int>(s.size()) > w) return stars(out, w);
  out.append(static_cast<std::size_t>(w) - s.size(), ' ');
  out += s;
}

void put_int(std::string &out, long v, int w, int m) {
  std::string digits;
  if (!(v == 0 && m == 0)) {  // I w.0 writes zero as blanks only
    digits = std::to_string(v < 0 ? -static_cast<unsigned long>(v) : static_cast<unsigned long>(v));
    if (m > static_cast<int>(digits.size())) digits.insert(0, m - digits.size(), '0');
  }
  field(out, v < 0 ? "-" + digits : digits, w);
}

// Infinity and not-a-number: "Infinity" when the field has room for it (with its sign),
// else "Inf"; "NaN"; asterisks below three columns, and for -Inf in three.
void put_infnan(std::string &out, float x, int w) {
  if (w < 3) return stars(out, w);
  if (std::isnan(x)) return field(out, "NaN", w);
  bool neg = std::signbit(x);
  if (neg && w == 3) return stars(out, w);
  std::string s = (w > (neg ? 8 : 7)) ? "Infinity" : "Inf";
  field(out, neg ? "-" + s : s, w);
}

// Decimal digits of |x| rounded to nd significant digits (nd >= 1) and the decimal
// exponent e of the rounded value: |x| ~ 0.d1d2... * 10**(e+1), d1 non-zero unless x = 0.
void sig_digits(float x, int nd, std::string &dig, int &e) {
  char buf[1200];
  std::snprintf(buf, sizeof buf, "%.*e", nd - 1, std::fabs(static_cast<double>(x)));
  dig.clear();
  const char *c = buf;
  for (; *c && *c != 'e'; ++c)
    if (*c != '.') dig += *c;
  e = std::atoi(c + 1);
}

// Fw.d with scale factor k (the value times 10**k): the integer part, the point, d
// decimals; the zero before the point is written only when the field has room for it.
// The scaled value is rounded exactly by rounding the value to d+k decimals and moving
// the point.
void put_f(std::string &out, float x, int w, int d, int k, std::string_view fmt) {
  if (!std::isfinite(x)) return put_infnan(out, x, w);
  if (d + k < 0) wfatal(fmt, "scale factor " + std::to_string(k) + " out of range for F");
  char buf[1200];
  std::snprintf(buf, sizeof buf, "%.*f", d + k, std::fabs(static_cast<double>(x)));
  std::string dig(buf);
  std::size_t pt = dig.find('.');
  long ip = pt == std::string::npos ? static_cast<long>(dig.size()) : static_cast<long>(pt);
  if (pt != std::string::npos) dig.erase(pt, 1);
  ip += k;  // the point moved k places to the right
  if (ip < 0) {
    dig.insert(0, static_cast<std::size_t>(-ip), '0');
    ip = 0;
  }
  std::string ipart = dig.substr(0, static_cast<std::size_t>(ip));
  std::size_t nz = ipart.find_first_not_of('0');
  ipart.erase(0, nz == std::string::npos ? ipart.size() : nz);
  std::string s = (std::signbit(x) ? "-" : "") + ipart;
  std::string rest(1, '.');
  rest.append(dig, static_cast<std::size_t>(ip));
  if (ipart.empty() && static_cast<int>(s.size() + rest.size()) < w) s += '0';
  field(out, s + rest, w);
}

// Ew.d with scale factor k: k digits before the point and d-k+1 after it when k > 0,
// else a zero (when there is room), the point, -k zeros and d+k digits; then the
// exponent as E+nn (or +nnn beyond 99).
void put_e(std::string &out, float x, int w, int d, int k, std::string_view fmt) {
  if (!std::isfinite(x)) return put_infnan(out, x, w);
  if (k <= -d || k >= d + 2) wfatal(fmt, "scale factor " + std::to_string(k) + " out of range for E");
  int nd = k > 0 ? d + 1 : d + k;
  std::string dig;
  int e;
  sig_digits(x, nd, dig, e);
  int ex = (x == 0.0f) ? 0 : e + 1 - k;
  std::string s = std::signbit(x) ? "-" : "";
  bool lead0 = false;
  if (k > 0) {
    s += dig.substr(0, static_cast<std::size_t>(k)) + "." + dig.substr(static_cast<std::size_t>(k));
  } else {
    lead0 = true;
    s += "0." + std::string(static_cast<std::size_t>(-k), '0') + dig;
  }
  int ae = std::abs(ex);
  char eb[16];
  if (ae <= 99)
    std::snprintf(eb, sizeof eb, "E%c%02d", ex < 0 ? '-' : '+', ae);
  else
    std::snprintf(eb, sizeof eb, "%c%03d", ex < 0 ? '-' : '+', ae);
  s += eb;
  if (lead0 && static_cast<int>(s.size()) > w) s.erase(s.find('0'), 1);
  field(out, s, w);
}

// Gw.d: when the value rounded to d digits lies in [0.1, 10**d), or is zero, the F form
// in w-4 columns with d-n decimals (n digits before the point) and four blanks, the
// scale factor taking no part; else Ew.d with the scale factor.
void put_g(std::string &out, float x, int w, int d, int k, std::string_view fmt) {
  if (!std::isfinite(x)) return put_infnan(out, x, w);
  int decimals;
  if (x == 0.0f) {
    decimals = d - 1;
  } else {
    std::string dig;
    int e;
    sig_digits(x, d, dig, e);
    if (e < -1 || e >= d) return put_e(out, x, w, d, k, fmt);
    decimals = d - 1 - e;
  }
  if (w <= 4) return stars(out, w);
  std::string f;
  put_f(f, x, w - 4, decimals, 0, fmt);
  if (f[0] == '*') return stars(out, w);
  out += f;
  out += "    ";
}

// ---------------------------------------------------------------- the walk

struct wstate {
  std::string_view fmt;
  const std::vector<ritem> &items;
  std::size_t next = 0;
  std::vector<std::string> recs;
  std::string cur;
  int pend = 0;   // blanks of nX not yet written
  int scale = 0;  // scale factor of kP
  bool done = false;
};

const char *kind_name(ritem::kind_t k) {
  switch (k) {
  case ritem::INT: return "an integer";
  case ritem::REAL: return "a real";
  case ritem::LOG: return "a switch";
  default: return "a text";
  }
}

void wrong_kind(wstate &st, const ritem &it, char op) {
  wfatal(st.fmt, std::string(kind_name(it.kind)) + " (item " + std::to_string(st.next) + ") for " + op);
}

void put_item(wstate &st, const fdesc &f, const ritem &it) {
  std::string &o = st.cur;
  char op = f.op;
  if (op == 'G' && it.kind != ritem::REAL) {
    // G of an integer, a switch or a text is written as Iw, Lw or Aw.
    op = it.kind == ritem::INT ? 'I' : it.kind == ritem::LOG ? 'L' : 'A';
    if (op == 'I') return put_int(o, it.i, f.w, -1);
  }
  switch (op) {
  case 'I':
    if (it.kind != ritem::INT) wrong_kind(st, it, op);
    return put_int(o, it.i, f.w, f.d);
  case 'F':
    if (it.kind != ritem::REAL) wrong_kind(st, it, op);
    return put_f(o, it.r, f.w, f.d, st.scale, st.fmt);
  case 'E':
    if (it.kind != ritem::REAL) wrong_kind(st, it, op);
    return put_e(o, it.r, f.w, f.d, st.scale, st.fmt);
  case 'G':
    return put_g(o, it.r, f.w, f.d, st.scale, st.fmt);
  case 'L':
    if (it.kind != ritem::LOG) wrong_kind(st, it, op);
    o.append(static_cast<std::size_t>(f.w - 1), ' ');
    o += it.l ? 'T' : 'F';
    return;
  default:  // 'A'
    if (it.kind != ritem::TEXT) wrong_kind(st, it, op);
    if (f.w < 0) {
      o += it.a;
    } else if (static_cast<int>(it.a.size()) >= f.w) {
      o.append(it.a, 0, static_cast<std::size_t>(f.w));
    } else {
      o.append(static_cast<std::size_t>(f.w) - it.a.size(), ' ');
      o += it.a;
    }
  }
}

void flush_blanks(wstate &st) {
  st.cur.append(static_cast<std::size_t>(st.pend), ' ');
  st.pend = 0;
}

void end_record(wstate &st) {
  st.recs.push_back(std::move(st.cur));
  st.cur.clear();
  st.pend = 0;
}

void walk(wstate &st, const std::vector<fdesc> &v, std::size_t from) {
  for (std::size_t j = from; j < v.size(); ++j) {
    const fdesc &f = v[j];
    switch (f.op) {
    case '\'':
      flush_blanks(st);
      st.cur += f.text;
      break;
    case 'X': st.pend += f.rep; break;
    case 'P': st.scale = f.k; break;
    case '/':
      for (int r = 0; r < f.rep; ++r) end_record(st);
      break;
    case '(':
      for (int r = 0; r < f.rep; ++r) {
        walk(st, f.sub, 0);
        if (st.done) return;
      }
      break;
    default:
      for (int r = 0; r < f.rep; ++r) {
        if (st.next == st.items.size()) {
          st.done = true;
          return;
        }
        flush_blanks(st);
        put_item(st, f, st.items[st.next]);
        ++st.next;
      }
    }
  }
}

}  // namespace

std::vector<std::string> fmt_records(std::string_view fmt, const std::vector<ritem> &items) {
  const flist &fl = parsed(fmt);
  wstate st{fmt, items};
  walk(st, fl.top, 0);
  // At the final parenthesis with items left: a new record, and the list again from
  // the last outermost group (with its repeat count) or from its start.
  while (!st.done && st.next < items.size()) {
    std::size_t before = st.next;
    end_record(st);
    walk(st, fl.top, fl.revert);
    if (st.next == before) wfatal(fmt, "no data descriptor after reversion");
  }
  end_record(st);
  return std::move(st.recs);
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
