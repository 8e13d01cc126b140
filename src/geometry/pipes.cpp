// Checks of the beam pipes and the choice of the wake-integration contour.
//
// The straight-line wake integration needs one radius that runs from end to end in
// vacuum. When material comes down below the beam-pipe radius, or the two pipes differ
// in radius, the wake is integrated along the Napoly-Zotter contour instead: along the
// left pipe radius to the column IZCF, down (or up) a vertical leg to the line IRWAK,
// along IRWAK to the column IZCT, and along a second leg back to the right pipe radius.
// The legs must stand clear of the material by two meshes.
#include <algorithm>

#include "geometry/mesh.hpp"
#include "geometry/setup.hpp"
#include "run/banners.hpp"
#include "run/constants.hpp"
#include "run/params.hpp"
#include "run/records.hpp"
#include "run/stops.hpp"
#include "run/units.hpp"

namespace {

struct call_t {
  int IRUN;
  bool &BEAMONLY;
  // The run banner of a beam-only run, once, in front of its first message.
  void banner() {
    if (IRUN > 0 && BEAMONLY) {
      run_banner(false);
      BEAMONLY = false;
    }
  }
};

float zcf() { return static_cast<float>(wprm.IZCF - 1) * latc.DDZ; }
float zct() { return static_cast<float>(wprm.IZCT - 1) * latc.DDZ; }
float rwak() { return gr(wprm.IRWAK); }

void contour_line() {
  rec(ndev.NOUT, "(1X,A,G13.5,A,G13.5,A,G13.5,A)", "ZCF=", zcf(), "(M)    ZCT=", zct(), "(M)    AND RWAK=", rwak(),
      "(M)");
}

} // namespace

void examin(int IRUN, bool &BEAMONLY, bool &LNAPM1, float RMIN, float RBP, float ZLFT, float ZRGT, int &ISKIP) {
  const int u = ndev.NOUT;
  const auto &IR = latc.IR;
  const auto &IZ = latc.IZ;
  const int NLAST = lat2.NLAST, NZ = latc.NZ, MROT = wpl.MROT;
  const int IRPL = pipes.IRPL, IRPR = pipes.IRPR;
  const int IZLFT = icon.IZLFT, IZRGT = icon.IZRGT, IRMIN = icon.IRMIN;
  bool &LNAPOLY = wpl2.LNAPOLY;
  call_t call{IRUN, BEAMONLY};

  ISKIP = 0;

  // The left end face, from the axis up to the left pipe, is where the open end takes
  // the fields in: it must stand perpendicular to the axis, on one mesh column.
  if (NLAST >= 3 && IR(2) != IR(1) && IZ(2) != IZ(1)) {
    call.banner();
    stop_real("Z OF CONTOUR LINE 2", geo.ZZ(2),
              rtext(120, "(A,G13.5,A)", "DIFFERS FROM Z OF LINE 1 =", geo.ZZ(1),
                    ": THE LEFT END FACE MUST BE PERPENDICULAR TO THE AXIS."));
  }

  // Pipes: horizontal and at least five z steps long at both ends.
  int LL = 0, LR = 0;
  bool ok = false;
  if (NLAST >= 3) { // a plain pipe has its two end points on lines 2 and 3
    LL = IZ(3) - IZ(2);
    LR = IZ(NLAST) - IZ(NLAST - 1) + 1;
    ok = IR(2) == IR(3) && LL >= 5 && IR(NLAST - 1) == IR(NLAST) && LR >= 5;
  }
  if (!ok) {
    call.banner();
    rec(u, "(A,A,A)", "0", "*** STOP *** THE BEAM PIPES AT BOTH ENDS ARE", " TOO SHORT.");
    rec(u, "(1X,A)", "THEY MUST HAVE AT LEAST 5 MESH LENGTH.  THEIR LENGTHES ARE:");
    rec(u, "(1X,A,I7,A,I7)", "L(LEFT)/DDZ=", LL, "   AND L(RIGHT)/DDZ=", LR);
    rec(u, "(1X,A)", "INCREASE THE BEAM PIPE LENGTH AND RUN IT AGAIN.");
    zstop();
  }

  const bool below = RBP > RMIN; // material below the pipe radius
  // Leg columns that keep clear of the material (for the dipole with unequal pipes
  // also of the inner pipe ends).
  const bool unequal1 = MROT == 1 && IRPL != IRPR;
  const int cf = unequal1 ? std::min(IZ(3) - 2, IZLFT - 2) : IZLFT - 2;
  const int ct = unequal1 ? std::max(IZ(NLAST - 1) + 2, IZRGT + 2) : IZRGT + 2;

  if (LNAPOLY) {
    LNAPM1 = MROT == 1;
    // The given legs go to their columns; a column beyond any mesh stops before it is
    // rounded (a leg beyond the right end of this mesh is moved onto it below).
    for (const float *zc : {&offs.ZCF, &offs.ZCT})
      if (*zc >= 0.0f && !(*zc / latc.DDZ < static_cast<float>(MAXSTEPS)))
        stop_real(zc == &offs.ZCF ? "ZCF" : "ZCT", *zc,
                  "SPANS MORE THAN " + std::to_string(MAXSTEPS) + " MESH STEPS, MORE THAN THE MESH CAN HOLD.");
    if (offs.ZCF >= 0.0f) wprm.IZCF = nint(offs.ZCF / latc.DDZ) + 1;
    if (offs.ZCT >= 0.0f) wprm.IZCT = nint(offs.ZCT / latc.DDZ) + 1;
    int dcf, dct;
    if (!below) {
      dcf = IZ(3) - 2;
      dct = IZ(NLAST - 1) + 2;
    } else if (MROT == 0 || IRPL == IRPR) {
      dcf = IZLFT - 2;
      dct = IZRGT + 2;
    } else {
      dcf = std::min(IZ(3) - 2, IZLFT - 2);
      dct = std::max(IZ(NLAST - 1) + 2, IZRGT + 2);
    }
    if (offs.ZCF < 0.0f) wprm.IZCF = dcf;
    if (offs.ZCT < 0.0f) wprm.IZCT = dct;
    wprm.IZCF = std::max(wprm.IZCF, 2);
    wprm.IZCT = std::min(wprm.IZCT, NZ);
    if (offs.ZCF < 0.0f || offs.ZCT < 0.0f || offs.RWAK < 0.0f) {
      call.banner();
      rec(u, "(1X,A,A)", "*** WARNING *** YOU DID NOT FULLY SPECIFY THE", " INTEGRATION CONTOUR DESPITE OF LNAPOLY=T.");
      rec(u, "(1X,A)", "*** ZELK CHOOSES THE FOLLOWING CONTOUR: ***");
      contour_line();
      rec(u, "(1X,A)", "YOU SHOULD STILL CHECK IF THIS CONTOUR IS VALID OR NOT.");
    }
  } else {
    LNAPM1 = false;
  }

  if (below || IRPL != IRPR) {
    call.banner();
    if (!wpl2.LNONAP) {
      rec(u, "(A,A,A)", "0", "*** CAUTION *** YOU MUST NOW USE NAPOLY INTEGRATION",
          " FOR CALCULATION OF THE WAKE POTENTIALS.");
      rec(u, "(1X,A,1X,L1)", "YOUR CASE: LNAPOLY=", LNAPOLY);
      rec(u, "(1X,A)", "IF LNAPOLY=F, ZELK NOW CHANGES IT TO LNAPOLY=T.");
      rec(u, "(1X,A)", "CHECK IF THE CONTOUR IS VALID.");
    }
    if (LNAPOLY) {
      if (below && (wprm.IZCF >= IZLFT || wprm.IZCT <= IZRGT || wprm.IRWAK > IRMIN)) {
        rec(u, "(1X,A,A)", "*** WARNING *** YOUR INTEGRATION CONTOUR MAY INTERS", "ECT OR RUN TOO CLOSE TO THE MATRIAL.");
        rec(u, "(1X,A,A)", "CHECK THE CONTOUR: (IT MUST BE AT LEAST TWO MESHES AWAY FROM", " THE VERTICAL BOUNDARY)");
        rec(u, "(1X,A,G13.5,A,G13.5,A)", " ZCF=", zcf(), "(M)    AND ZLFT=", ZLFT, "(M)");
        rec(u, "(1X,A,G13.5,A,G13.5,A)", " ZCT=", zct(), "(M)    AND ZRGT=", ZRGT, "(M)");
        rec(u, "(1X,A,G13.5,A,G13.5,A)", "RWAK=", rwak(), "(M)    AND RMIN=", RMIN, "(M)");
        if (wprm.IZCF >= IZLFT) wprm.IZCF = std::max(2, cf);
        if (wprm.IZCT <= IZRGT) wprm.IZCT = std::min(NZ, ct);
        wprm.IRWAK = std::min(wprm.IRWAK, IRMIN);
        rec(u, "(1X,A)", "*** ZELK CHOOSES THE FOLLOWING CONTOUR INSTEAD: ***");
        contour_line();
        rec(u, "(1X,A)", "YOU SHOULD STILL CHECK IF THIS CONTOUR IS VALID OR NOT.");
      }
    } else {
      wprm.IZCF = std::max(2, cf);
      wprm.IZCT = std::min(NZ, ct);
      wprm.IRWAK = below ? IRMIN : std::min(IRPL, IRPR);
      if (wpl2.LNONAP) {
        rec(u, "(1X,A)", "*** WARNING *** THE CONVENTIONAL INTEGRATION METHOD");
        rec(u, "(1X,A,G13.5,A)", "AT RWAK=", rwak(), "(M) WILL BE USED.");
      } else {
        LNAPOLY = true;
        BEAMONLY = false;
        if (MROT == 1) LNAPM1 = true;
        rec(u, "(1X,A,A)", "*** WARNING *** NAPOLY INTEGRATION METHOD WAS NOT",
            " CHOSEN DESPITE OF THE MATERIAL COMING DOWN ");
        rec(u, "(1X,A,A)", "BELOW THE BEAM PIPE RADIUS", " OR UNEQUAL BEAM PIPE RADII AT BOTH ENDS.");
        rec(u, "(1X,A)", "*** ZELK CHOOSES THE FOLLOWING CONTOUR: ***");
        contour_line();
        rec(u, "(1X,A)", "YOU SHOULD STILL CHECK IF THIS CONTOUR IS VALID OR NOT. ");
      }
    }
  }

  // The dipole wake of the Napoly contour needs the horizontal part five lines off axis.
  if (LNAPM1 && wprm.IRWAK <= 4) {
    call.banner();
    rec(u, "(1X,A,A)", "*** SKIP THIS CALCULATION *** THE HORIZONATAL",
        "INTEGRATION CONTOUR AT R=RWAK IS TOO CLOSE TO THE BEAM AXIS.");
    rec(u, "(1X,A,A)", "IT MUST BE AT LEAST 5 RADIAL MESHES AWAY FROM THE BEAM", "AXIS FOR MROT=1.");
    rec(u, "(1X,A,I5,A)", "YOUR CASE: ONLY", wprm.IRWAK, " MESHES AWAY");
    rec(u, "(1X,A)", "YOU SHOULD INCREASE RWAK OR USE A SMALLER RADIAL MESH SIZE");
    ISKIP = 1040;
  }

  if (LNAPOLY) {
    if (wprm.IZCF > wprm.IZCT) {
      call.banner();
      rec(u, "(1X,A,G13.5,A,G13.5)", "*** STOP *** THE NAPOLY CONTOUR IS REVERSED: ZCF=", zcf(), " ZCT=", zct());
      zstop();
    }
    // The pipe-to-wake-line factors x + 1/x and x - 1/x of the dipole wake need both
    // radii off the axis; the monopole contour may run along the axis.
    const float rp = std::min(gr(IRPL), gr(IRPR));
    const bool runs = ISKIP == 0 && MROT == 1;
    if (runs && !(rwak() > 0.0f)) {
      call.banner();
      stop_real("RWAK", rwak(), "THE NAPOLY CONTOUR CANNOT RUN ALONG THE AXIS.");
    }
    if (runs && !(rp > 0.0f)) {
      call.banner();
      stop_real("RBP", rp, "THE NAPOLY CONTOUR NEEDS BEAM PIPES OF NON-ZERO RADIUS.");
    }
    // Legs: P is the pipe line at the leg; SGNV = -1 when the wake line lies above it.
    const int P[3] = {0, IRPL, IRPR};
    for (int l = 1; l <= 2; ++l) {
      wprm.SGNV(l) = wprm.IRWAK > P[l] ? -1.0f : 1.0f;
      wprm.IRVUP(l) = std::max(wprm.IRWAK, P[l]) - 1;
      wprm.IRVLO(l) = std::min(wprm.IRWAK, P[l]);
    }
    if (rp > 0.0f && rwak() > 0.0f) {
      const float x = rp / rwak();
      wprm.XPX = x + 1.0f / x;
      wprm.XMX = x - 1.0f / x;
    }
  }
}
