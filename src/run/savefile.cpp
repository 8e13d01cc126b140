// Save file and restart: the inputs of the run, its geometry lines, the loop counters
// and the witness counters in records 1 to 55, each record described once by the list
// of its items (the saved deck inputs with their places from the deck table); the field
// records follow (store).
#include "run/savefile.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/constants.hpp"
#include "run/deck.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/stops.hpp"
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

rmesh_t rmesh;

void saved_sizes(const std::vector<std::size_t> &L) {
  rmesh.NRN = rmesh.MSZW = rmesh.NMESH = 0;
  const std::size_t W = 32000, D = 1600, n = L.size();
  if (n < 1 || L[0] != 8) return;
  // wz and wy: a run of full chunks, then (unless MSZW is a multiple of 8000) the last.
  std::size_t j = 1;
  while (j < n && L[j] == W) ++j;
  const std::size_t full = j - 1;
  long MSZW;
  std::size_t ds;
  bool shortlast = j < n && j + full + 1 < n && L[j + full + 1] == L[j];
  for (std::size_t k = j + 1; shortlast && k <= j + full; ++k) shortlast = L[k] == W;
  if (shortlast && L[j] < W && L[j] % 4 == 0) {
    MSZW = 8000L * static_cast<long>(full) + static_cast<long>(L[j] / 4);
    ds = j + full + 2;
  } else if (full >= 2 && full % 2 == 0) {
    MSZW = 8000L * static_cast<long>(full / 2);
    ds = j;
  } else {
    return;
  }
  // Delay lines: pairs of records per chunk of 400 lines, 80 chunks of lines each.
  std::size_t m = 0;
  while (ds + m < n && L[ds + m] == D) ++m;
  long NRN, c2;
  if (m >= 320 && m % 320 == 0) {
    c2 = static_cast<long>(m / 320);
    NRN = 400 * c2;
  } else {
    if (m % 2 != 0 || ds + m + 1 >= n || L[ds + m] != L[ds + m + 1] || L[ds + m] % 4 != 0 || L[ds + m] == 0)
      return;
    c2 = static_cast<long>(m / 2) + 1;
    NRN = 400 * (c2 - 1) + static_cast<long>(L[ds + m] / 4);
  }
  const std::size_t fs = ds + 320 * static_cast<std::size_t>(c2);
  if (fs >= n || (n - fs) % 6 != 0) return;
  const std::size_t c3 = (n - fs) / 6;
  const long NMESH = 8000L * static_cast<long>(c3 - 1) + static_cast<long>(L[fs + c3 - 1] / 4);
  // Every record must have the length a save of these sizes gives it.
  std::vector<std::size_t> want = {8};
  auto chunks = [&want](long len, long per, int times, int pair) {
    for (int t = 0; t < times; ++t)
      for (long a = 0; a < len; a += per)
        for (int p = 0; p < pair; ++p) want.push_back(4 * static_cast<std::size_t>(std::min(per, len - a)));
  };
  chunks(MSZW, 8000, 2, 1);
  chunks(NRN, 400, 160, 2);
  chunks(NMESH, 8000, 6, 1);
  if (want != L) return;
  rmesh.NRN = NRN;
  rmesh.MSZW = MSZW;
  rmesh.NMESH = NMESH;
}

namespace {

// Radial lines of the zones that the saved steps and outer radii give up to RTOP, by the
// zone rule of the mesh set-up: all zones (first = false) or zone 1 alone. -1 when the
// zone rule would stop. SEVERAL tells whether the inputs ask for more than one zone.
int zone_lines(float RTOP, bool first, bool &several) {
  const auto &DDR = latc.DDR;
  const auto &RMARK = lat2.RMARK;
  several = false;
  int NDR = 0, NRM = 0;
  for (int k = 1; k <= 1000; ++k) {
    if (DDR(k) != 0.0f) ++NDR;
    if (RMARK(k) != 0.0f) ++NRM;
  }
  if (!(DDR(1) > 0.0f)) return -1;
  float x;
  if (NDR == 1) {
    if (NRM >= 2) return -1;
    x = RTOP / DDR(1);
  } else {
    if (NRM != NDR || RMARK(1) < 0.0f) return -1;
    x = RMARK(1) / DDR(1);
  }
  if (!(x < static_cast<float>(MAXNR))) return -1;
  int n = nint(x - 1.0E-5f);
  int IRM = n + 1;
  float XR = static_cast<float>(n) * DDR(1);
  several = !(RMARK(1) == RTOP || NDR == 1);
  if (!several || first) return IRM;
  for (int k = 2; k <= 1000; ++k) {
    if (RMARK(k) == 0.0f || DDR(k) <= 0.0f) return -1;
    const float q = (RMARK(k) - XR) / DDR(k);
    if (!(q < static_cast<float>(MAXNR - IRM))) return -1;
    n = nint(q - 1.0E-5f);
    if (n < 0) return -1;
    IRM += n;
    XR += static_cast<float>(n) * DDR(k);
    if (RMARK(k) == RTOP || k == NDR) break;
  }
  return IRM;
}

} // namespace

void restore_mesh() {
  const float ZMAXD = mp.ZMAX, RMAXD = mp.RMAX;
  rmesh.CAUSE.clear();
  rmesh.DDZ = rmesh.DDR1 = 0.0f;
  gpass.NPASS = 0;
  const long NRL = rmesh.NRN > 0 ? rmesh.NRN - 1 : -1;
  // The passes only lengthen the structure: a saved length below that of the contour
  // (or not a number) is no length of a save, and the contour's own is taken.
  if (!(rmesh.ZMAX >= ZMAXD) || !std::isfinite(rmesh.ZMAX)) rmesh.ZMAX = ZMAXD;
  // With a given DDZ the mesh set-up raised the largest outer radius to the top radius
  // of its last pass, which built the zones; that pass started from the length ZMAX
  // that the first pass left, or from the length of the contour when it was the first.
  float RTOP = 0.0f;
  for (int k = 1; k <= 1000; ++k) RTOP = std::max(RTOP, lat2.RMARK(k));
  bool several = false;
  const int all = zone_lines(RTOP, false, several);
  const int first = zone_lines(RTOP, true, several);
  const bool zoned = latc.DDZ > 0.0f && RTOP > 0.0f && RTOP >= RMAXD && all > 0;
  // The first pass started from the largest of the contour's radius and the outer radii;
  // the one that the passes raised (the first largest) is not known as given. A top
  // radius above all the others was raised by the arcs of a first pass, and a length
  // other than the contour's was set by one: the saved run then took two passes.
  int kmax = 1;
  for (int k = 1; k <= 1000; ++k)
    if (lat2.RMARK(k) > 0.0f && lat2.RMARK(k) > lat2.RMARK(kmax)) kmax = k;
  float first_top = std::max(0.0f, RMAXD);
  for (int k = 1; k <= 1000; ++k)
    if (k != kmax) first_top = std::max(first_top, lat2.RMARK(k));
  auto last_pass = [&]() {
    gpass.NPASS = rmesh.ZMAX == ZMAXD && !(RTOP > first_top) ? 1 : 2;
    gpass.RTOP = RTOP;
    gpass.ZL0 = rmesh.ZMAX;
    gpass.ZMAX = rmesh.ZMAX;
  };
  const int halves = symt.LHALF ? 2 : 1;
  if (zoned && (NRL < 0 || NRL == all)) {
    latc.NZ = 0;
    last_pass();
  } else if (zoned && several && NRL == first) {
    // The saved run built zone 1 alone: NZ was given with DDZ. NZ itself is not in the
    // file; it is taken as the z lines of the structure at the step DDZ.
    latc.NZ = halves * nint(ZMAXD / latc.DDZ) + 1;
    mp.NZ0 = latc.NZ;
    last_pass();
    rmesh.CAUSE = "NZ, GIVEN WITH DDZ AND SEVERAL RADIAL ZONES, IS NOT IN THE SAVE FILE.";
  } else if (NRL >= 2 && latc.DDZ > 0.0f) {
    // A mesh of NR lines over the top radius and NZ lines over the length (DDZ was 0):
    // the saved run stored DDZ = length/(NZ - 1) and DDR(1), and the field records
    // hold NR + 1 radial lines. Its passes follow again from NR and NZ.
    rmesh.DDZ = latc.DDZ;
    rmesh.DDR1 = latc.DDR(1);
    latc.NR = static_cast<int>(NRL);
    latc.NZ = nint(static_cast<float>(halves) * rmesh.ZMAX / latc.DDZ) + 1;
    latc.DDZ = 0.0f;
    // Later runs of the deck start from these inputs, as they would after the saved run.
    mp.NR0 = latc.NR;
    mp.NZ0 = latc.NZ;
    mp.DDZ0 = 0.0f;
    rmesh.CAUSE = "NR AND NZ (DDZ=0) ARE NOT IN THE SAVE FILE; NR=" + std::to_string(latc.NR) +
                  " AND NZ=" + std::to_string(latc.NZ) + " DO NOT GIVE ITS STEPS DDZ AND DDR(1).";
  }
}

void restore_napoly() {
  // A run with material below the pipe radius or unequal pipes goes to the Napoly
  // contour even when its deck left LNAPOLY false, and the file holds the switch as the
  // run ended. When the deck gave no part of the contour, both ways give the same
  // contour; the deck's default is taken, so that the echo and the choice of the contour
  // are reported as in the saved run.
  if (!wpl2.LNAPOLY || wpl2.LNONAP) return;
  if (!(mp.RBP > mp.RMIN || pipes.IRPL != pipes.IRPR)) return;
  if (offs.ZCF >= 0.0f || offs.ZCT >= 0.0f || offs.RWAK >= 0.0f) return;
  wpl2.LNAPOLY = false;
  mp.LNAPOLY0 = false;
}

void restore_check_sizes() {
  // A mesh of NR and NZ must give again the steps that the saved run stored. Otherwise
  // only a file whose field records are those of this run's wake length is compared;
  // anything else is left to the reading of the records.
  const bool steps = rmesh.DDZ == 0.0f || (latc.DDZ == rmesh.DDZ && latc.DDR(1) == rmesh.DDR1);
  if (steps && (rmesh.MSZW != msz.MSZW || (rmesh.NRN == msz.NRN && rmesh.NMESH == msz.NMESH))) return;
  const int u = ndev.NOUT;
  rec(u, "(1X,A,I8,A,I10,A)", "*** STOP *** THE RESTART FILE HOLDS THE FIELDS OF A MESH OF",
      static_cast<int>(rmesh.NRN - 1), " RADIAL LINES AND", static_cast<int>(rmesh.NMESH), " NODES;");
  if (steps)
    rec(u, "(1X,A,I8,A,I10,A)", "THE RESTORED INPUTS GIVE", msz.NRN - 1, " RADIAL LINES AND", msz.NMESH,
        " NODES: THE SAVED RUN CANNOT BE CONTINUED.");
  else
    rec(u, "(1X,A)", "THE RESTORED INPUTS DO NOT GIVE THAT MESH: THE SAVED RUN CANNOT BE CONTINUED.");
  if (!rmesh.CAUSE.empty()) rec(u, "(1X,A)", "CAUSE: " + rmesh.CAUSE);
  zstop();
}

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
  // The restored run's mesh set-up needs the length that the saved one left and the
  // sizes of the saved field records; the geometry lines decoded again replace ZMAX.
  rmesh = rmesh_t{};
  rmesh.ZMAX = mp.ZMAX;
  saved_sizes(blengths_ahead(u));
  // The header line is not read again: the form of the geometry input comes with the
  // restored switches.
  mp.CAVTXT = symt.LHALF ? "HALF CELL INPUT " : "FULL CELL INPUT ";
  // The saved inputs hold the run number of the saved run; the restored run is the
  // next one, and it draws its mesh map and shape frames as a new mesh.
  mp.IRUN = mp.IRUN + 1;
  mp.MESHNEW = true;
}
