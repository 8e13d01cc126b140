// The name of the input deck and the names of the output files made from it.
#include "run/filenames.hpp"

#include "run/constants.hpp"
#include "run/records.hpp"
#include "run/units.hpp"

// The input file name: the first command-line argument, or one line typed at the prompt.
void file_name_specification(int argc, char **argv, std::string &INFILE) {
  if (argc >= 2) {
    INFILE = argv[1];
  } else {
    rec(NTERM, "(A)", " ");
    rec(NTERM, "(A)", "  Please enter the name of the input file.");
    std::string line;
    if (!uget(NKEYB, line)) start_fatal("no input file name: the terminal input has ended");
    INFILE = line;
  }
  if (INFILE.size() > 256) INFILE.resize(256);
  while (!INFILE.empty() && INFILE.back() == ' ') INFILE.pop_back();
}

// Output names, beside the deck: its folder, then its name (after the last "/") up to
// and including the first point of the name, then the extension; a name without a
// point gives the bare extension in the deck's folder.
std::string output_name(const std::string &INFILE, const char *ext) {
  const std::size_t slash = INFILE.rfind('/');
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t k = INFILE.find('.', base);
  const std::string head = k == std::string::npos ? INFILE.substr(0, base) : INFILE.substr(0, k + 1);
  return head + ext;
}

