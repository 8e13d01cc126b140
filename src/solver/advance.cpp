// The first window of a run: witness counters, the skip of a field-free left pipe, the
// first boundary frame and the first columns of cell flags, and the window brought to
// the step before the loop's first field step.
#include <algorithm>
#include <string>

#include "geometry/fitting.hpp"
#include "geometry/mesh.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"
#include "solver/step.hpp"

void advan(bool LREC, int &KX, int &KY, int &KSTART) {
  const int MTE = latc.MTE > 0 ? latc.MTE : 1;

  // Witness counters. The TAVO integration (conbm) raises KX before it samples Ez half
  // a mesh step in, so it starts one lower; the methods that interpolate at the column
  // crossings raise it after the crossing step. With the Napoly contour a TAVO dipole run
  // integrates with napl2, on the crossing frame.
  const bool tavo = win2.LTAVO && wpl.MROT == 1 && !wpl2.LNAPOLY;
  KX = tavo ? 0 : 1;
  KY = 1;

  // A restored run takes KX, KY and the accumulators, delay lines and fields of the
  // saved run's last step from the restart file; the replay below brings the window to
  // the layout those fields were saved in.
  if (LREC) {
    binrec r = bread(ndev.NREST, 8, "KX");
    KX = r.geti();
    KY = r.geti();
    // The counters grow by one per mesh step; the first step must lie within the run.
    if (KX < 0 || KX > 1000000000 || KY < 0 || KY > 1000000000)
      read_fatal(ndev.NREST, "witness counters KX = " + std::to_string(KX) + ", KY = " +
                                 std::to_string(KY) + " out of range");
    if (KSTART < 0 || KSTART > wind.NT)
      read_fatal(ndev.NREST,
                 "KSTART = " + std::to_string(KSTART) + " is not a step of the restored run (NT = " +
                     std::to_string(wind.NT) + ")",
                 nullptr, "KSTART", 52);
    reload();
  }

  // With the drive ring on the wall of the left pipe nothing is in the pipe, so the
  // steps in which the bunch crosses a straight left pipe would compute zero fields and
  // zero wake: start behind them, with the counters advanced by the columns skipped.
  const bool ringonwall = latc.IRDRIVE == pipes.IRPL;
  if (ringonwall && latc.NPTS >= 3 && latc.IR(3) == latc.IR(2) && !LREC) {
    const int d = latc.IZ(3) - latc.IZ(2);
    KSTART = d * MTE;
    KX = KX + d;
    KY = KY + d;
  }

  // First boundary frame and memory window; classify columns 1 and 2.
  window_start();

  if ((ringonwall || LREC) && KSTART >= 0) {
    // Replay of the window rule over the steps 0 .. KSTART without computing fields:
    // the cell flags follow the front, the stored window follows the back.
    window_replay(KSTART);
  } else {
    // The first field step classifies its own window.
    window_first_step();
  }
  // Cell codes of every node held, from the flags just set.
  celall();
}
