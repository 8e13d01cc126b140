// The namelist group reader of the input deck.
//
// A group is opened by '&' or '$' immediately followed by its name (the first non-blank
// character of its record); records before it are passed over, other groups included.
// Assignments NAME=values, NAME(i)=values, with r*v repeats, integers, reals (E or D
// exponent, with or without point) and switches (T, F, .TRUE., .FALSE., anything that
// begins with T or F after an optional point), separated by commas, blanks or ends of
// records; names match without regard to case. The group ends with '/', '&END' or
// '$END'; the unit is then positioned after the record of the end mark. An unknown
// name, a value of the wrong kind, an index outside the dimension, a syntax error, or
// the end of the file before the group or its end mark is a fatal read error naming
// the file, the record, the group and the variable.
#pragma once
#include <string>
#include <vector>

struct nlvar {
  const char *name; // upper case, as in the deck
  char kind;        // 'I' 32-bit integer, 'R' 32-bit real, 'L' switch
  void *p;          // first element (int*, float* or bool*)
  int dim;          // number of elements, 1 for a scalar
};

struct nlgroup {
  const char *name; // upper case, without '&'
  std::vector<nlvar> vars;
};

void rdnml(int unit, const nlgroup &g);
