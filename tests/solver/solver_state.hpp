// What a run leaves in the solver, as one list of floats, for bit-for-bit comparisons
// of two runs: every field component of every node, the four delay lines, the wake
// arrays, the stored-window position and the witness counters.
#pragma once
#include <cstring>
#include <vector>

#include "run/params.hpp"
#include "solver/fields.hpp"

inline std::vector<float> solver_state() {
  std::vector<float> s;
  for (int k = 1; k <= 3; ++k)
    for (long m = 1; m <= msz.NMESH; ++m) {
      s.push_back(ev(k, m));
      s.push_back(hv(k, m));
    }
  for (arr3<float> *x : {&stk_data.hvstk, &stk_data.hvstk1, &stk_data.hvstl, &stk_data.hvstl1})
    for (long q = 0; q < x->n1 * x->n2 * x->n3; ++q) s.push_back(x->data()[q]);
  for (int w = 1; w <= mp.NW + 2; ++w) {
    s.push_back(wzwy_data.wz(w));
    s.push_back(wzwy_data.wy(w));
  }
  s.push_back(static_cast<float>(lfrbk.IZMWL));
  s.push_back(static_cast<float>(mp.KX));
  s.push_back(static_cast<float>(mp.KY));
  return s;
}

// Bit for bit the same (NaN and -0 included).
inline bool same_state(const std::vector<float> &a, const std::vector<float> &b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}
