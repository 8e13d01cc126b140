// The record writer: every text the program writes goes through it, driven by a list
// of edit descriptors as in
//     rec(ndev.NOUT, "(1X,A,G13.5,A)", "CPUTIME LEFT FOR SAVING FIELDS : TSOS =", tsos, "(S)");
// Descriptors: 'literal', nX, kP, Iw, Iw.m, Fw.d, Ew.d, Gw.d, Lw, Aw, A, / (n/),
// repeat counts (2G13.5, 120A1) and repeated groups n(...). The write ends at the first
// data descriptor that has no item left; when items remain at the final parenthesis the
// list reverts to the last outermost group (or to its start) on a new record. A record
// ends at its last character written: blanks of an nX followed by nothing are dropped.
// Values that do not fit their field are written as asterisks; the rendering of every
// value follows what gfortran writes for the same descriptor and 32-bit value.
#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "run/arrays.hpp"

// One item of a write: an integer, a real, a switch or a text.
struct ritem {
  enum kind_t { INT, REAL, LOG, TEXT } kind;
  long i = 0;
  float r = 0.0f;
  bool l = false;
  std::string a;
};

// Flatten the arguments of a write into items; arrays are taken element by element.
inline void ritems_add(std::vector<ritem> &v, int x) { v.push_back({ritem::INT, x}); }
inline void ritems_add(std::vector<ritem> &v, long x) { v.push_back({ritem::INT, x}); }
inline void ritems_add(std::vector<ritem> &v, float x) {
  ritem it{ritem::REAL};
  it.r = x;
  v.push_back(it);
}
inline void ritems_add(std::vector<ritem> &v, double x) { ritems_add(v, static_cast<float>(x)); }
inline void ritems_add(std::vector<ritem> &v, bool x) {
  ritem it{ritem::LOG};
  it.l = x;
  v.push_back(it);
}
inline void ritems_add(std::vector<ritem> &v, std::string_view s) {
  ritem it{ritem::TEXT};
  it.a = std::string(s);
  v.push_back(it);
}
inline void ritems_add(std::vector<ritem> &v, const std::string &s) { ritems_add(v, std::string_view(s)); }
inline void ritems_add(std::vector<ritem> &v, const char *s) { ritems_add(v, std::string_view(s)); }
inline void ritems_add(std::vector<ritem> &v, char c) { ritems_add(v, std::string_view(&c, 1)); }
template <class T> void ritems_add(std::vector<ritem> &v, std::span<T> xs) {
  for (auto &x : xs) ritems_add(v, x);
}
template <class T> void ritems_add(std::vector<ritem> &v, const std::vector<T> &xs) {
  for (auto &x : xs) ritems_add(v, x);
}
template <class T, long N> void ritems_add(std::vector<ritem> &v, const fix1<T, N> &xs) {
  for (long k = 1; k <= N; ++k) ritems_add(v, xs(k));
}

// Format the items after the descriptor list into records (without newlines).
std::vector<std::string> fmt_records(std::string_view fmt, const std::vector<ritem> &items);

// Write the records on a unit (ndev.NOUT, ndev.NPOT, ndev.NTOP or NTERM).
void rec_items(int unit, std::string_view fmt, const std::vector<ritem> &items);
template <class... A> void rec(int unit, std::string_view fmt, const A &...args) {
  std::vector<ritem> v;
  (ritems_add(v, args), ...);
  rec_items(unit, fmt, v);
}

// Write into a text of fixed length len (the plot size text, the date and time texts):
// the first record, cut or padded with blanks to len characters.
template <class... A> std::string rtext(std::size_t len, std::string_view fmt, const A &...args) {
  std::vector<ritem> v;
  (ritems_add(v, args), ...);
  std::vector<std::string> r = fmt_records(fmt, v);
  std::string s = r.empty() ? std::string() : r.front();
  s.resize(len, ' ');
  return s;
}

// One terminal line written list-directed: a blank, then the text.
void term_line(const std::string &text);

// Text helpers for the fixed-length texts of the deck: pad or cut to n characters.
std::string padto(std::string_view s, std::size_t n);
