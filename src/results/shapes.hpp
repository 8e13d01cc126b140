// Structure shape frames of the plot command file: the contour as the geometry lines
// describe it ("Cavity Shape Input", arcs drawn as polylines) and as the mesh holds it
// after boundary fitting ("Cavity Shape Used"), with the open pipe ends, the axis and,
// with LPATH, the contour along which the wake is integrated.
#pragma once

// Pipe ends and upper plot limits of the last outline drawn (nzpath), in metres.
struct nzpath_t {
  float ZPL = 0.0f, ZPR = 0.0f; // z of the left and right pipe ends
  float RPL = 0.0f, RPR = 0.0f; // their radii
  float XMAXP = 0.0f, YMAXP = 0.0f;
};
extern nzpath_t nzpath;

// The input-shape frame.
void cplot();
// The used-shape frame around the fitted boundary of hit1 in plot mode. Sets the
// boundary frame and the memory window to the whole mesh (columns 1 .. NZ); the set-up
// of the first computation window sets them anew.
void uplot();
// Limits record and the input contour (pipe ends, polygons, arcs, axis) into the frame
// the caller has opened; YMIN receives the lower plot limit -gr(NRL)/20.
void cavplt(float &YMIN);
