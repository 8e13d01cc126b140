// Bunch model: a rigid line charge of 1 C moving at the speed of light. Its
// longitudinal shape f(z) (z measured from the bunch centre, m) is a single Gaussian
// (NBUNCH = 1), a train of NBUNCH Gaussians BSEP apart (NBUNCH > 1) or a triangle of
// half width SIG (NBUNCH < 1); the distribution is cut at |z| = ZHALF.
#pragma once

// Shape value f(ZB) at distance ZB (m) from the bunch centre; sets cdis.ZHALF.
float bshape(float ZB);
// Normalisation CNORM: the shape summed on the mesh grid moved one time step
// (DDZ/MTE) towards the tail, so that the line-charge table sums to about 1.
void calsum();
// Line-charge table: NQ = NINT(2*ZHALF/DDZ) + 2 entries of qkst, qkst(i) the line
// density (1/m) at (i - 1)*DDZ behind the head; every other entry 0.
void qkset();
// Line density Q (1/m) at mesh column I at time step J. Writes nothing but Q, so it
// may be called inside parallel loops.
void chage(int I, int J, float &Q);
