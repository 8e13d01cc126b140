// Field records of the save file: the wake accumulators, the four delay lines of the
// open ends and the fields, in chunks of 8000 entries (400 radial lines for the delay
// lines), written after the main program's records and read back by a restored run.
// One list of the records, in their order in the file, drives both directions.
#include <algorithm>
#include <string>
#include <vector>

#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

namespace {

constexpr long CHUNK = 8000; // entries of a wake or field record
constexpr long CHUNKR = 400; // radial lines of a delay-line record

// One field record: m entries from p on, of the array named name.
struct field_record {
  float *p;
  long m;
  const char *name;
};

// One record per chunk of x(1 .. n).
void add_chunks(std::vector<field_record> &recs, float *x, long n, long len, const char *name) {
  for (long a = 0; a < n; a += len) recs.push_back({x + a, std::min(len, n - a), name});
}

// Lines 1 .. NRN of component k, slot s of a delay line (NRN, 2, NPT).
float *line_of(arr3<float> &x, int k, int s) {
  return x.data() + (static_cast<long>(k - 1) + static_cast<long>(s - 1) * 2) * x.n1;
}

// A pair of delay lines: for each slot, each component, each chunk of lines, one record
// of X and one of X1.
void add_pair(std::vector<field_record> &recs, arr3<float> &x, const char *nx, arr3<float> &x1,
              const char *nx1) {
  const long n = msz.NRN;
  for (int s = 1; s <= NPT; ++s)
    for (int k = 1; k <= 2; ++k)
      for (long a = 0; a < n; a += CHUNKR) {
        const long m = std::min(CHUNKR, n - a);
        recs.push_back({line_of(x, k, s) + a, m, nx});
        recs.push_back({line_of(x1, k, s) + a, m, nx1});
      }
}

// The field records for the sizes of the run: wz, wy, the left and the right pairs of
// delay lines, the magnetic and then the electric field component by component.
std::vector<field_record> field_records() {
  std::vector<field_record> recs;
  add_chunks(recs, wzwy_data.wz.data(), msz.MSZW, CHUNK, "wz");
  add_chunks(recs, wzwy_data.wy.data(), msz.MSZW, CHUNK, "wy");
  add_pair(recs, stk_data.hvstk, "hvstk", stk_data.hvstk1, "hvstk1");
  add_pair(recs, stk_data.hvstl, "hvstl", stk_data.hvstl1, "hvstl1");
  for (int c = 1; c <= 3; ++c) add_chunks(recs, he_data.h[c].data(), msz.NMESH, CHUNK, "hv");
  for (int c = 1; c <= 3; ++c) add_chunks(recs, he_data.e[c].data(), msz.NMESH, CHUNK, "ev");
  return recs;
}

} // namespace

void store() {
  for (const field_record &f : field_records()) {
    binrec r;
    r.put(f.p, f.m);
    bwrite(ndev.NSAVE, r);
  }
}

void reload() {
  for (const field_record &f : field_records()) {
    binrec r = bread(ndev.NREST, static_cast<std::size_t>(4 * f.m), f.name);
    r.get(f.p, f.m);
  }
}
