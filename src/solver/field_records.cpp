// Field records of the save file: the wake accumulators, the four delay lines of the
// open ends and the fields, in chunks of 8000 entries (400 radial lines for the delay
// lines), written after the main program's records and read back by a restored run.
#include <algorithm>
#include <string>
#include <vector>

#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

namespace {

constexpr long CHUNK = 8000;   // entries of a wake or field record
constexpr long CHUNKR = 400;   // radial lines of a delay-line record

// One record per chunk of x(1 .. n), written or read in place. A field component that
// the run does not hold (x null) is written as zeros and read past.
void put_chunks(int u, const float *x, long n, long len) {
  const std::vector<float> zeros(x ? 0 : static_cast<std::size_t>(std::min(len, n > 0 ? n : 0)), 0.0f);
  for (long a = 0; a < n; a += len) {
    binrec r;
    r.put(x ? x + a : zeros.data(), std::min(len, n - a));
    bwrite(u, r);
  }
}

void get_chunks(int u, float *x, long n, long len, const char *name) {
  for (long a = 0; a < n; a += len) {
    const long m = std::min(len, n - a);
    binrec r = bread(u, static_cast<std::size_t>(4 * m), name);
    if (x) r.get(x + a, m);
  }
}

// Lines 1 .. NRN of component k, slot s of a delay line (NRN, 2, NPT).
float *line_of(arr3<float> &x, int k, int s) {
  return x.data() + (static_cast<long>(k - 1) + static_cast<long>(s - 1) * 2) * x.n1;
}

// A pair of delay lines: for each slot, each component, each chunk of lines, one record
// of X and one of X1.
template <class F>
void each_pair_chunk(arr3<float> &x, const char *nx, arr3<float> &x1, const char *nx1, F f) {
  const long n = msz.NRN;
  for (int s = 1; s <= NPT; ++s)
    for (int k = 1; k <= 2; ++k)
      for (long a = 0; a < n; a += CHUNKR) {
        const long m = std::min(CHUNKR, n - a);
        f(line_of(x, k, s) + a, m, nx);
        f(line_of(x1, k, s) + a, m, nx1);
      }
}

// Data of a field component, null when the run does not hold it.
float *held(arr1<float> &x) { return x.allocated() ? x.data() : nullptr; }

} // namespace

void store() {
  const int u = ndev.NSAVE;
  put_chunks(u, wzwy_data.wz.data(), msz.MSZW, CHUNK);
  put_chunks(u, wzwy_data.wy.data(), msz.MSZW, CHUNK);
  auto put = [u](float *p, long m, const char *) {
    binrec r;
    r.put(p, m);
    bwrite(u, r);
  };
  each_pair_chunk(stk_data.hvstk, "hvstk", stk_data.hvstk1, "hvstk1", put);
  each_pair_chunk(stk_data.hvstl, "hvstl", stk_data.hvstl1, "hvstl1", put);
  for (int c = 1; c <= 3; ++c) put_chunks(u, held(he_data.h[c]), msz.NMESH, CHUNK);
  for (int c = 1; c <= 3; ++c) put_chunks(u, held(he_data.e[c]), msz.NMESH, CHUNK);
}

void reload() {
  const int u = ndev.NREST;
  get_chunks(u, wzwy_data.wz.data(), msz.MSZW, CHUNK, "wz");
  get_chunks(u, wzwy_data.wy.data(), msz.MSZW, CHUNK, "wy");
  auto get = [u](float *p, long m, const char *name) {
    binrec r = bread(u, static_cast<std::size_t>(4 * m), name);
    r.get(p, m);
  };
  each_pair_chunk(stk_data.hvstk, "hvstk", stk_data.hvstk1, "hvstk1", get);
  each_pair_chunk(stk_data.hvstl, "hvstl", stk_data.hvstl1, "hvstl1", get);
  for (int c = 1; c <= 3; ++c) get_chunks(u, held(he_data.h[c]), msz.NMESH, CHUNK, "hv");
  for (int c = 1; c <= 3; ++c) get_chunks(u, held(he_data.e[c]), msz.NMESH, CHUNK, "ev");
}
