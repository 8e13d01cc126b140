// Save file and restart: the inputs of the run, its geometry lines, the loop counters
// and the witness counters in records 1 to 55, each record described once by the list
// of its items (the saved deck inputs with their places from the deck table); the field
// records follow (store).
#include "run/savefile.hpp"

#include <cmath>
#include <string>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/deck.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

namespace {

constexpr int LINELEN = 72;        // columns of a stored geometry line
constexpr int LINES_PER_REC = 400; // geometry lines per record (records 2 to 51)

save_item real(const char *name, float *x, long n = 1) { return {name, save_kind::real, x, n}; }
save_item finite(const char *name, float *x, long n = 1) {
  save_item it = real(name, x, n);
  it.finite = true;
  return it;
}
save_item integer(const char *name, int *x) { return {name, save_kind::integer, x}; }
save_item counter(const char *name, int *x, long lo, long hi) {
  save_item it = integer(name, x);
  it.ranged = true;
  it.lo = lo;
  it.hi = hi;
  return it;
}
save_item logical(const char *name, bool *l) { return {name, save_kind::logical, l}; }
save_item texts(const char *name, std::string *s, long n, int len) {
  return {name, save_kind::text, s, n, len};
}

} // namespace

namespace {

// A saved input of the deck table, its kind taken from the variable: the reals of the
// deck groups are finite numbers whenever the deck reader took them.
save_item deck_item(const deckvar_t &v) {
  if (v.kind == 'R') return finite(v.name, static_cast<float *>(v.p), v.dim);
  if (v.kind == 'I') return integer(v.name, static_cast<int *>(v.p));
  return logical(v.name, static_cast<bool *>(v.p));
}

// Items of records 1 and 52 to 54 that are no deck variables, with their places.
struct placed_item {
  int pos;
  save_item it;
};
std::vector<placed_item> state_items(int n) {
  if (n == 1) return {{5, real("ZMAX", &mp.ZMAX)}, {6, real("RMAX", &mp.RMAX)}};
  if (n == 52) {
    save_item kstart{"KSTART", save_kind::next_step, &mp.KSTART};
    kstart.ranged = true;
    kstart.lo = 0;
    kstart.hi = 2147483646;
    return {
        {1, texts("TITLE", mp.TITLE.data(), mp.TITLE.size(), 8)},
        {2, real("RR", geo.RR.data(), geo.RR.size())},
        {3, real("ZZ", geo.ZZ.data(), geo.ZZ.size())},
        {4, counter("NPTS0", &mp.NPTS0, 1, symt.LHALF ? (20003 / 2) : MAXPTS)},
        {5, counter("NLINES", &mp.NLINES, 0, MAXLINES)},
        {6, kstart},
    };
  }
  if (n == 53)
    return {{17, integer("KSNAP", &mp.KSNAP)},
            {18, real("TSNAP", &mp.TSNAP)},
            {19, real("DTSNAP", &mp.DTSNAP)},
            {21, counter("NLAST0", &mp.NLAST0, 0, MAXPTS)}};
  if (n == 54)
    return {{4, logical("LHALF", &symt.LHALF)},
            {5, logical("LADD", &mp.LADD)},
            {6, counter("IRUN", &mp.IRUN, 0, 999999999)}};
  return {};
}

} // namespace

std::vector<save_item> save_record(int n) {
  if (n >= 2 && n <= 51)
    // Geometry lines 400*(n - 2) + 1 .. 400*(n - 1), blank beyond the deck's own.
    return {texts("geometry lines", &geolines[LINES_PER_REC * (n - 2) + 1], LINES_PER_REC, LINELEN)};
  if (n == 55)
    // The witness counters, read back by advan.
    return {integer("KX", &mp.KX), integer("KY", &mp.KY)};
  // Records 1, 52, 53 and 54: the saved inputs of the deck table and the run state, each
  // at its place.
  std::vector<placed_item> items = state_items(n);
  for (const deckvar_t &v : deck_table())
    if (v.srec == n) items.push_back({v.spos, deck_item(v)});
  std::vector<save_item> r(items.size(), save_item{"", save_kind::real, nullptr});
  for (const placed_item &p : items)
    if (p.pos >= 1 && static_cast<std::size_t>(p.pos) <= r.size()) r[static_cast<std::size_t>(p.pos - 1)] = p.it;
  return r;
}

long save_item_bytes(const save_item &it) {
  return it.kind == save_kind::text ? it.count * it.len : 4 * it.count;
}

int save_reclen(int n) {
  long b = 0;
  for (const save_item &it : save_record(n)) b += save_item_bytes(it);
  return static_cast<int>(b);
}

namespace {

void put_item(binrec &r, const save_item &it) {
  switch (it.kind) {
  case save_kind::real: r.put(static_cast<const float *>(it.at), it.count); break;
  case save_kind::integer: r.put(static_cast<const int *>(it.at), it.count); break;
  case save_kind::logical:
    for (long k = 0; k < it.count; ++k) r.putl(static_cast<const bool *>(it.at)[k]);
    break;
  case save_kind::text:
    for (long k = 0; k < it.count; ++k)
      r.put(padto(static_cast<const std::string *>(it.at)[k], static_cast<std::size_t>(it.len)));
    break;
  case save_kind::next_step: r.put(mp.KEND + 1); break;
  }
}

void get_item(binrec &r, const save_item &it) {
  switch (it.kind) {
  case save_kind::real: r.get(static_cast<float *>(it.at), it.count); break;
  case save_kind::integer:
  case save_kind::next_step: r.get(static_cast<int *>(it.at), it.count); break;
  case save_kind::logical:
    for (long k = 0; k < it.count; ++k) static_cast<bool *>(it.at)[k] = r.getl();
    break;
  case save_kind::text:
    for (long k = 0; k < it.count; ++k)
      static_cast<std::string *>(it.at)[k] = r.gets(static_cast<std::size_t>(it.len));
    break;
  }
}

// The counters of the restart file index the contour and the geometry lines and count
// runs; a value no save can hold ends the process like a record of the wrong length.
// The inputs of the deck groups are finite numbers whenever the deck reader took them.
void check_item(const save_item &it, int recno) {
  if (it.finite) {
    const float *x = static_cast<const float *>(it.at);
    for (long k = 0; k < it.count; ++k)
      if (!std::isfinite(x[k]))
        read_fatal(ndev.NREST, std::string(it.name) + " is not a finite number", nullptr, it.name, recno);
  }
  if (it.ranged) {
    const long v = *static_cast<const int *>(it.at);
    if (v < it.lo || v > it.hi)
      read_fatal(ndev.NREST,
                 std::string(it.name) + " = " + std::to_string(v) + " lies outside " +
                     std::to_string(it.lo) + " .. " + std::to_string(it.hi),
                 nullptr, it.name, recno);
  }
}

} // namespace

void save_run() {
  const int u = ndev.NSAVE;
  urewind(u);
  for (int n = 1; n <= SAVE_RECORDS; ++n) {
    binrec r;
    for (const save_item &it : save_record(n)) put_item(r, it);
    bwrite(u, r);
  }
  store();
  // A save that did not reach the disk ends the run here, not at the end of the process.
  uflush(u);
}

void restore_inputs() {
  const int u = ndev.NREST;
  for (int n = 1; n < SAVE_RECORDS; ++n) {
    binrec r = bread(u, static_cast<std::size_t>(save_reclen(n)));
    for (const save_item &it : save_record(n)) get_item(r, it);
  }
  // The checks once every record is read: the bound of the contour count follows the
  // restored half-cell switch.
  for (int n = 1; n < SAVE_RECORDS; ++n)
    for (const save_item &it : save_record(n)) check_item(it, n);
  // The header line is not read again: the form of the geometry input comes with the
  // restored switches.
  mp.CAVTXT = symt.LHALF ? "HALF CELL INPUT " : "FULL CELL INPUT ";
  // The saved inputs hold the run number of the saved run; the restored run is the
  // next one, and it draws its mesh map and shape frames as a new mesh.
  mp.IRUN = mp.IRUN + 1;
  mp.MESHNEW = true;
}
