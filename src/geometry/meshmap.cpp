// Character map of the mesh on the report: one character per cell, the cells fitted
// column by column with the same frame and memory moves as the time loop, so the map
// shows the flags the field step will meet.
#include "geometry/fitting.hpp"

#include <vector>

#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

namespace {

char cell_char(float f) {
  const int k = static_cast<int>(f);
  if (k == 0) return '.';
  if (k == 1 || k == 2) return 'L';
  if (k == 3 || k == 4) return '/';
  return '*';
}

} // namespace

void pltmsh() {
  const int u = ndev.NOUT;
  const int nr = latc.NR;
  const int nz = latc.NZ;

  rec(u, "('1','CAVITY SHAPE ')");
  rec(u, "(1X,'.=VACUUM ; L,/=TRIANGULAR FILLED MESH CELL ; *=FULL',' METAL ; B=BEAM')");
  rec(u, "()");
  if (nr < 1 || nz < 1) return;

  const int nzw = msz.NMESH / nr;
  window_first(nzw);
  hit1(0);

  const int nb = (nz - 1) / 120;
  std::vector<char> blk(static_cast<std::size_t>(nr) * 120, ' ');
  int j = 0;
  for (int b = 0; b <= nb; ++b) {
    const int ncol = b < nb ? 120 : nz - 120 * nb;
    for (int c = 1; c <= ncol; ++c) {
      ++j;
      const int jfront = j;
      const int jback = j == 1 ? 1 : j - 1;
      const int jbprev = jback - 1;
      const int jfprev = j - 1;
      bcdet(jback, jfront, jbprev, jfprev);
      if (stored_must_move(jback, jfront, jbprev, jfprev)) move_stored(jback, nzw);
      for (int i = 1; i <= nr; ++i) {
        const long m = static_cast<long>(j - lfrbk.IZMWL) * nr + i;
        char ch = '*';
        if (m >= 1 && m <= msz.NMESH && m <= flg_data.iflg.size()) ch = cell_char(iflg(m));
        if (i == latc.IRDRIVE && j == 1) ch = 'B';
        blk[static_cast<std::size_t>(c - 1) * nr + (i - 1)] = ch;
      }
    }
    // Top of the mesh first, the axis last.
    for (int i = nr; i >= 1; --i) {
      std::vector<char> row(static_cast<std::size_t>(ncol));
      for (int c = 1; c <= ncol; ++c) row[c - 1] = blk[static_cast<std::size_t>(c - 1) * nr + (i - 1)];
      rec(u, "(1X,120A1)", row);
    }
    if (b < nb) rec(u, "('1')");
  }
}
