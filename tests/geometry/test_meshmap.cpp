// The mesh character map on the report: heading, one character per cell from the top
// line down to the axis, blocks of 120 columns, and the same map however few columns
// memory holds or whether the structure was given as a half cell.
#include <gtest/gtest.h>

#include "fit_fixture.hpp"
#include "run/records.hpp"
#include "run/units.hpp"

using namespace fit;

namespace {

constexpr float D = 0.01f;

std::vector<std::string> map_records(int nzw) {
  arrays(nzw);
  flgclr();
  uopen_mem(ndev.NOUT);
  pltmsh();
  std::vector<std::string> r = umem(ndev.NOUT);
  uclose(ndev.NOUT);
  return r;
}

const std::vector<std::string> HEADING{
    "1CAVITY SHAPE ", " .=VACUUM ; L,/=TRIANGULAR FILLED MESH CELL ; *=FULL METAL ; B=BEAM", ""};

void pillbox() {
  uniform_mesh(11, D);
  contour(D, 10, {pt(0.03f, 0.0f), pt(0.03f, 0.03f), pt(0.08f, 0.03f), pt(0.08f, 0.07f),
                  pt(0.03f, 0.07f), pt(0.03f, 0.0f)});
}

// A straight pipe of radius 0.02 (line 3) over nz columns, 5 radial lines.
void pipe(int nz) {
  uniform_mesh(5, D);
  contour(D, nz, {pt(0.02f, 0.0f), pt(0.02f, 0.0f)});
}

} // namespace

TEST(MeshMap, PillboxMap) {
  pillbox();
  latc.IRDRIVE = 4;
  std::vector<std::string> want = HEADING;
  for (const char *row : {" **********", " **********", " **********", " ***....***", " ***....***",
                          " ***....***", " ***....***", " B**....***", " ..........", " ..........",
                          " .........."})
    want.push_back(row);
  EXPECT_EQ(map_records(40), want);
}

TEST(MeshMap, CutCellsAndTheDriveRingOnTheAxis) {
  // Up-taper (flag 4, "/") and down-taper (flag 2, "L") at 45 degrees.
  uniform_mesh(8, D);
  contour(D, 12, {pt(0.02f, 0.0f), pt(0.02f, 0.03f), pt(0.05f, 0.06f), pt(0.05f, 0.07f),
                  pt(0.02f, 0.10f), pt(0.02f, 0.0f)});
  latc.IRDRIVE = 1;
  std::vector<std::string> want = HEADING;
  for (const char *row : {" ************", " ************", " ************", " *****/.L****",
                          " ****/...L***", " ***/.....L**", " ............", " B..........."})
    want.push_back(row);
  EXPECT_EQ(map_records(50), want);
}

TEST(MeshMap, BlocksOf120Columns) {
  latc.IRDRIVE = 2;
  struct { int nz; std::vector<int> widths; } cases[] = {
      {120, {120}}, {121, {120, 1}}, {240, {120, 120}}, {245, {120, 120, 5}}};
  for (auto &c : cases) {
    pipe(c.nz);
    std::vector<std::string> r = map_records(c.nz + 30);
    std::vector<std::string> want = HEADING;
    int j0 = 1;
    for (std::size_t b = 0; b < c.widths.size(); ++b) {
      const int w = c.widths[b];
      for (int i = 5; i >= 1; --i) {
        // A blank and w map characters, built in place: GCC 12 warns of an overlapping
        // memcpy (-Wrestrict, a false positive of its string inlining) on " " + string.
        std::string row(w + 1, i >= 3 ? '*' : '.');
        row[0] = ' ';
        if (i == 2 && j0 == 1) row[1] = 'B';
        want.push_back(row);
      }
      if (b + 1 < c.widths.size()) want.push_back("1");
      j0 += w;
    }
    EXPECT_EQ(r, want) << "NZ = " << c.nz;
  }
}

TEST(MeshMap, SameMapWithFewColumnsInMemory) {
  // The re-entrant cavity over 150 columns (two blocks): all columns in memory, as
  // without the moving back, and 40 columns, as with it, where the boundary frame and
  // the memory window move along while the map is drawn.
  uniform_mesh(11, D);
  contour(D, 150, {pt(0.03f, 0.0f), pt(0.03f, 0.36f), pt(0.06f, 0.33f), pt(0.06f, 1.12f),
                   pt(0.03f, 1.09f), pt(0.03f, 0.0f)});
  latc.IRDRIVE = 4;
  std::vector<std::string> full = map_records(180);
  std::vector<std::string> small = map_records(40);
  EXPECT_EQ(small, full);
  EXPECT_GT(lfrbk.IZMWL, 100);
  // Spot check on line 6 of the first block (column j at position j of the record): the
  // left wall leans back through column 34 ("L"), the right wall through column 112 ("/").
  ASSERT_EQ(full.size(), 3u + 11 + 1 + 11);
  const std::string &row6 = full[3 + 11 - 6];
  EXPECT_EQ(row6.substr(33, 4), "*L..");
  EXPECT_EQ(row6.substr(111, 3), "./*");
}

TEST(MeshMap, HalfCellGivesTheMapOfItsFullCell) {
  pillbox();
  latc.IRDRIVE = 4;
  std::vector<std::string> whole = map_records(40);
  // The right half of the same pillbox: z = 0 on the middle plane, the pipe end at
  // z = ZL/2 in column NZ/2, as the z mesh leaves a half cell.
  uniform_mesh(11, D);
  contour(D, 10, {pt(0.08f, 0.0f), pt(0.08f, 0.02f), pt(0.03f, 0.02f), pt(0.03f, 0.0f)});
  const int n = lat2.NLAST;
  geo.ZZ(n) = geo.ZZ(n + 1) = 0.05f;
  latc.IZ(n) = 5;
  latc.IZ(n + 1) = 6;
  symt.LHALF = true;
  expand();
  expand2();
  symt.LHALF = false;
  ASSERT_EQ(latc.NPTS, 11);
  ASSERT_EQ(lat2.NLAST, 9);
  EXPECT_EQ(map_records(40), whole);
}
