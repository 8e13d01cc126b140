// Running the program on a deck in a fresh temporary folder, for the end-to-end tests.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct run_result {
  int status = -1;
  std::filesystem::path dir;
  std::string out_terminal, err_terminal;
};

inline std::string slurp(const std::filesystem::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> v;
  std::stringstream ss(text);
  std::string l;
  while (std::getline(ss, l)) v.push_back(l);
  return v;
}

// Copies the deck (a path under tests/decks, or text when deck_text is set) into a new
// folder as `name`, runs `zelk name` there with the given environment prefix and stdin.
inline run_result run_zelk(const std::string &deck_text, const std::string &name,
                           const std::string &args = "", const std::string &env = "",
                           const std::string &stdin_text = "") {
  namespace fs = std::filesystem;
  static int counter = 0;
  run_result r;
  r.dir = fs::temp_directory_path() /
          ("zelk_e2e_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
  fs::remove_all(r.dir);
  fs::create_directories(r.dir);
  if (!name.empty()) {
    std::ofstream(r.dir / name, std::ios::binary) << deck_text;
  }
  std::ofstream(r.dir / "stdin.txt") << stdin_text;
  std::string cmd = "cd '" + r.dir.string() + "' && " + env + " '" + ZELK_BINARY + "' " + args +
                    " < stdin.txt > stdout.txt 2> stderr.txt";
  int rc = std::system(cmd.c_str());
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out_terminal = slurp(r.dir / "stdout.txt");
  r.err_terminal = slurp(r.dir / "stderr.txt");
  return r;
}

inline std::string deck_file(const std::string &name) {
  return slurp(std::filesystem::path(ZELK_SOURCE_DIR) / "tests" / "decks" / name);
}
