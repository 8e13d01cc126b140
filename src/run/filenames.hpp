// The name of the input deck and the names of the output files made from it.
#pragma once
#include <string>

// INFILE: the first command-line argument (further ones are ignored), or one line typed
// at the terminal prompt; cut to 256 characters, trailing blanks removed.
void file_name_specification(int argc, char **argv, std::string &INFILE);
// The output file beside the deck: the deck's folder and its name (after the last "/")
// up to and including the first point of the name, followed by the extension; a name
// without a point gives the bare extension in the deck's folder.
std::string output_name(const std::string &INFILE, const char *ext);
