// Plot command file conventions (unit ndev.NTOP): frame header, titles, limits, point
// records and the curve pieces of at most 1021 points. Every record begins with a blank
// (1X) and every command text with a blank of its own. Frames are written one after
// another with nothing before, between or after them.
#pragma once
#include <string>

#include "run/arrays.hpp"

// Frame kinds with their window texts, titles and axis titles.
enum plot_kind { PK_INPUT_SHAPE, PK_USED_SHAPE, PK_EFIELD, PK_CURRENT, PK_WAKES, PK_SPECTRA };

// Count of the points of the current curve piece (the 1021-point rule).
struct plotpiece_t {
  int n = 0; // points in the current piece
};
inline constexpr int PLOT_PIECE = 1021;

// Frame header: ten records (twelve for spectra: spectitle A40 in the MORE record and
// the case record with casemarks A34). The run title comes from runtitle, or from
// mp.TITLE when none is given; the size text from red.REDTXT.
void plot_header(plot_kind kind, const std::string &spectitle = "",
                 const std::string &xtitle = "", const std::string &ytitle = "",
                 const std::string &casemarks = "",
                 const fix1<std::string, 10> *runtitle = nullptr);
// The date and time title (all frames): CDATE, CTIME of the run.
void plot_datetime();
// " SET LIMITS X ", 2G13.5, " Y ", 2G13.5.
void plot_limits(float xmin, float xmax, float ymin, float ymax);
// Number of radial zone steps for the titles: 1 + the consecutive non-zero entries
// DDR(2), DDR(3), ... (the count stops at the end of the table). The frames cap it.
int plot_zone_count();
// A length in a frame title: metres times scale in F6.3 followed by unit (" mm", " cm"),
// or, when that field cannot hold it (or the product overflows), the length in metres in
// 1P,E10.3 followed by " m", so that no title shows asterisks or an infinity.
std::string title_length(float metres, float scale, const char *unit);
// The mode, bunch and mesh-step title (two records): MROT, SIG in cm, DDZ and DDR(1)
// in mm. Wake and spectrum frames.
void plot_mode_title();
// The further radial zone steps: one " MORE" record with DDR(k) in mm for k = 2 .. n.
void plot_zone_steps(int n);
// One point record: 1X, 2G13.5.
void plot_point(float x, float y);
// A point of a curve that is written in pieces: the point record; when the piece reaches
// 1021 points, the end records (descriptor list endfmt, e.g. "(1X,' JOIN 1 SOLID')" or
// "(1X,' JOIN 1 SOLID',/,1X,' PLOT')"), the same point again, and the count set to 1.
void plot_piece_point(plotpiece_t &pc, float x, float y, const char *endfmt);
// End records of a curve (one write of the descriptor list endfmt, which takes no item).
void plot_end(const char *endfmt);

// The ends of curves used by the frames.
inline constexpr const char *JOIN_SOLID = "(1X,' JOIN 1 SOLID')";
inline constexpr const char *JOIN_DASH = "(1X,' JOIN 1 DASH')";
inline constexpr const char *JOIN_DOTDASH = "(1X,' JOIN 1 DOTDASH')";
inline constexpr const char *JOIN_DOTS = "(1X,' JOIN 1 DOTS')";
inline constexpr const char *JOIN_SOLID_PLOT = "(1X,' JOIN 1 SOLID',/,1X,' PLOT')";
