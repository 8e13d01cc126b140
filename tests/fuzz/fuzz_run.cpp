// Fuzz runner: runs seeded mutants of the given decks through the program, each in a
// folder of its own with a bound on its processor time, and classifies every ending.
//
//   zelk_fuzz --zelk BUILD/zelk [--seed S] [--count N] [--jobs J] [--cpu SEC] [--stall SEC]
//             [--mem MB] [--sanitized] [--work DIR] [--keep DIR] [--also-keep TEXT]
//             [--list FILE] DECK...
//
// Each mutant runs with one thread, standard input empty, its processor time held to
// --cpu seconds (RLIMIT_CPU: the kernel ends it with SIGXCPU, and with SIGKILL a few
// seconds later should it go on), and its memory to MB megabytes (the address space of
// a plain build; the resident-set limit, which the program reads, of a build with the
// sanitizers, --sanitized, whose shadow memory needs the address space).
//
// No verdict depends on the clock or on the load of the machine: a run that uses up its
// processor time is a long run whatever the clock says, and the one wall-clock limit is
// a safety net for a run that uses no processor time at all for --stall seconds (a hang
// without progress: a run blocked or stopped, its processor time, read from
// /proc/PID/stat, not growing).
//
// Good endings: exit 0 after the end block with finite numbers in every output file;
// exit 1 with "*** STOP ***" or "*** ERROR ***" on the report and the line naming it on
// standard error; exit 1 with a "zelk: " diagnostic (a fatal read error). Neither good
// nor bad: a long run cut at the processor-time bound, a large run cut at the memory
// limit of a sanitized process. Bad endings: a signal, a hang without progress, a
// sanitizer report, an exit 1 without a message, another exit status, an exit 0 without
// the end block, NaN or Infinity in an output file. Each bad mutant is kept in the keep
// folder as a deck with a note of its mutations and ending (and so is every mutant whose
// ending contains the text of --also-keep). --list writes one line per mutant: its
// number, base deck, processor seconds and ending, in the order of the numbers.
// The exit status is 0 when no ending was bad. README.md of this folder tells which
// mutants a pass leaves out and why.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "mutate.hpp"

namespace fs = std::filesystem;

namespace {

struct options {
  std::string zelk;
  std::uint64_t seed = 1;
  long count = 300;
  int jobs = 4;
  double cpu = 30.0;    // processor seconds a mutant may use
  double stall = 300.0; // wall seconds without any processor time that make a hang
  long mem_mb = 2048;
  bool sanitized = false; // the program is built with the sanitizers
  std::string also_keep;  // endings that contain this text are kept too
  fs::path work = fs::temp_directory_path() / "zelk_fuzz";
  fs::path keep;
  fs::path list;
  std::vector<std::string> decks;
};

std::string slurp(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct job {
  long index = 0;
  pid_t pid = 0;
  fs::path dir;
  std::string deck, what, base;
  // Processor time of the run at the last look, and when it last grew.
  long ticks = -1;
  std::chrono::steady_clock::time_point last_growth, last_look;
  bool killed = false; // by the runner, as a hang without progress
  double cpu_used = 0.0; // processor seconds of the ended run
};

// User and system time of a process so far, in clock ticks, from /proc/PID/stat; -1
// when it cannot be read.
long proc_ticks(pid_t pid) {
  const std::string st = [&] {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }();
  // The command name (field 2) is in parentheses and may hold blanks: count the fields
  // after its closing parenthesis. utime and stime are fields 14 and 15.
  const std::size_t rp = st.rfind(')');
  if (rp == std::string::npos) return -1;
  std::istringstream f(st.substr(rp + 1));
  std::string w;
  long ut = -1, stt = -1;
  for (int field = 3; field <= 15 && f >> w; ++field) {
    if (field == 14) ut = std::atol(w.c_str());
    if (field == 15) stt = std::atol(w.c_str());
  }
  return ut < 0 || stt < 0 ? -1 : ut + stt;
}

// The mutant of index i: its base deck and its mutations follow from (seed, i) alone,
// so that any mutant is made again from its number.
void make_mutant(const options &o, const std::vector<std::string> &texts, long i, job &j) {
  fuzz_rng rng(o.seed * 0x100000001B3ULL + static_cast<std::uint64_t>(i));
  const std::size_t d = rng.below(texts.size());
  j.base = fs::path(o.decks[d]).filename().string();
  j.what.clear();
  j.deck = mutate_deck(texts[d], rng, j.what);
}

pid_t launch(const options &o, const job &j) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  // Child: the mutant runs in its own folder, stdin empty, one thread.
  if (chdir(j.dir.c_str()) != 0) _exit(127);
  int in = open("/dev/null", O_RDONLY);
  int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  setpgid(0, 0);
  setenv("OMP_NUM_THREADS", "1", 1);
  setenv("OMP_WAIT_POLICY", "passive", 1);
  // The processor-time bound: SIGXCPU at the soft limit, SIGKILL from the kernel at the
  // hard one for a run that goes on after SIGXCPU. No core files.
  struct rlimit cl;
  cl.rlim_cur = static_cast<rlim_t>(std::max(1.0, o.cpu));
  cl.rlim_max = cl.rlim_cur + 5;
  setrlimit(RLIMIT_CPU, &cl);
  struct rlimit core = {0, 0};
  setrlimit(RLIMIT_CORE, &core);
  // The memory limit is one the program reads before it allocates its arrays, so that a
  // mesh too large for it stops at once, the same in both builds: the address space of
  // a plain build; the resident-set limit of a sanitizer build, whose shadow memory
  // needs the address space (the kernel does not enforce RLIMIT_RSS; the program
  // honours it). The sanitizer's own resident-memory limit, half as large again and a
  // quarter gigabyte more for its shadow and quarantine, only catches what the
  // program's count of its arrays misses. Sanitizer reports get exit statuses of their
  // own.
  struct rlimit ml;
  ml.rlim_cur = ml.rlim_max = static_cast<rlim_t>(o.mem_mb) << 20;
  setrlimit(o.sanitized ? RLIMIT_RSS : RLIMIT_AS, &ml);
  const std::string rss = std::to_string(o.mem_mb + o.mem_mb / 2 + 256);
  setenv("ASAN_OPTIONS", ("detect_leaks=0:exitcode=86:hard_rss_limit_mb=" + rss).c_str(), 1);
  setenv("UBSAN_OPTIONS", "halt_on_error=1:exitcode=87:print_stacktrace=1", 1);
  execl(o.zelk.c_str(), o.zelk.c_str(), "case.in", static_cast<char *>(nullptr));
  _exit(127);
}

bool has(const std::string &t, const char *s) { return t.find(s) != std::string::npos; }

// NaN or Infinity written as a number: a word of an output file that holds one and is
// not a word of the deck (a title or a geometry line echoed as text).
bool nonfinite_in(const std::string &text, const std::string &deck) {
  auto sep = [](char c) { return c == ' ' || c == '\n' || c == '\'' || c == '"' || c == ','; };
  std::vector<std::string> words;
  for (std::size_t a = 0; a < deck.size();) {
    while (a < deck.size() && sep(deck[a])) ++a;
    std::size_t b = a;
    while (b < deck.size() && !sep(deck[b])) ++b;
    if (b > a) words.push_back(deck.substr(a, b - a));
    a = b;
  }
  for (const char *pat : {"NaN", "Inf", "nan", "inf"}) {
    for (std::size_t p = text.find(pat); p != std::string::npos; p = text.find(pat, p + 1)) {
      std::size_t a = p, b = p;
      while (a > 0 && !sep(text[a - 1])) --a;
      while (b < text.size() && !sep(text[b])) ++b;
      const std::string w = text.substr(a, b - a);
      bool echo = false;
      for (const auto &d : words)
        if (d == w) echo = true;
      if (!echo) return true;
    }
  }
  return false;
}

std::string classify(const options &o, const job &j, int status) {
  const std::string err = slurp(j.dir / "stderr.txt");
  const std::string report = slurp(j.dir / "case.out");
  if (j.killed) return "bad: hang without progress (no processor time for the stall limit)";
  // A run that has used up its processor time is long, not faulty, however it ended:
  // SIGXCPU at the soft limit (or the exit status of a program that turns the signal
  // into one), SIGKILL at the hard limit, or whatever it did on the way out.
  const bool xcpu = (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) ||
                    (WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGXCPU);
  if (xcpu || j.cpu_used >= std::max(1.0, o.cpu)) return "long run: cut at the processor-time bound";
  // A run larger than the fuzz lets a sanitized process hold is large, not faulty (a
  // plain build meets the limit as a failed allocation and stops).
  if (has(err, "hard rss limit exhausted")) return "large run: cut at the memory limit";
  if (has(err, "Sanitizer") || has(err, "runtime error:")) return "bad: sanitizer report";
  if (WIFSIGNALED(status)) return "bad: signal " + std::to_string(WTERMSIG(status));
  const int rc = WEXITSTATUS(status);
  bool nf = false;
  for (const char *ext : {"out", "pot", "top"}) {
    const fs::path p = j.dir / (std::string("case.") + ext);
    if (fs::exists(p) && nonfinite_in(slurp(p), j.deck)) nf = true;
  }
  if (rc == 0) {
    if (nf) return "bad: NaN or Infinity with exit 0";
    if (!has(report, "ZELK_MP ENDED WITHOUT ERROR")) return "bad: exit 0 without the end block";
    return "good: normal end";
  }
  if (rc == 1) {
    if (nf) return "bad: NaN or Infinity in the output of a stopped run";
    if (has(report, "*** STOP ***") || has(report, "*** ERROR ***")) {
      if (!has(err, "zelk: run stopped, see case.out")) return "bad: stop not named on standard error";
      if (has(report, "GROW WITHOUT BOUND")) return "good: stop on the report, fields grew without bound";
      return "good: stop on the report";
    }
    if (has(err, "zelk: ")) return "good: diagnostic";
    return "bad: exit 1 without a message";
  }
  return "bad: exit status " + std::to_string(rc);
}

void usage() {
  std::cerr << "usage: zelk_fuzz --zelk PROGRAM [--seed S] [--count N] [--jobs J] "
               "[--cpu SEC] [--stall SEC] [--mem MB] [--sanitized] [--work DIR] [--keep DIR] "
               "[--also-keep TEXT] [--list FILE] DECK...\n";
  std::exit(2);
}

} // namespace

int main(int argc, char **argv) {
  options o;
  for (int k = 1; k < argc; ++k) {
    std::string a = argv[k];
    auto val = [&]() -> std::string {
      if (k + 1 >= argc) usage();
      return argv[++k];
    };
    if (a == "--zelk") o.zelk = val();
    else if (a == "--seed") o.seed = std::stoull(val());
    else if (a == "--count") o.count = std::stol(val());
    else if (a == "--jobs") o.jobs = std::max(1, std::stoi(val()));
    else if (a == "--cpu" || a == "--timeout") o.cpu = std::stod(val());
    else if (a == "--stall") o.stall = std::stod(val());
    else if (a == "--list") o.list = val();
    else if (a == "--mem") o.mem_mb = std::stol(val());
    else if (a == "--work") o.work = val();
    else if (a == "--keep") o.keep = val();
    else if (a == "--sanitized") o.sanitized = true;
    else if (a == "--also-keep") o.also_keep = val();
    else if (!a.empty() && a[0] == '-') usage();
    else o.decks.push_back(a);
  }
  if (o.zelk.empty() || o.decks.empty()) usage();
  o.zelk = fs::absolute(o.zelk).string();
  // The mutants follow from the seed and the decks in an order of their own, whatever
  // order the shell listed them in.
  std::sort(o.decks.begin(), o.decks.end());
  o.decks.erase(std::unique(o.decks.begin(), o.decks.end()), o.decks.end());
  std::vector<std::string> texts;
  for (const auto &d : o.decks) texts.push_back(slurp(d));
  fs::remove_all(o.work);
  fs::create_directories(o.work);
  if (!o.keep.empty()) fs::create_directories(o.keep);

  std::map<std::string, long> counts;
  std::map<long, std::string> listed;
  std::vector<job> running;
  long next = 0, bad = 0, done = 0;
  while (next < o.count || !running.empty()) {
    while (next < o.count && static_cast<int>(running.size()) < o.jobs) {
      job j;
      j.index = next++;
      make_mutant(o, texts, j.index, j);
      j.dir = o.work / std::to_string(j.index);
      fs::create_directories(j.dir);
      std::ofstream(j.dir / "case.in", std::ios::binary) << j.deck;
      j.pid = launch(o, j);
      j.last_growth = j.last_look = std::chrono::steady_clock::now();
      running.push_back(j);
    }
    bool reaped = false;
    for (std::size_t k = 0; k < running.size();) {
      job &j = running[k];
      int status = 0;
      struct rusage ru {};
      pid_t r = wait4(j.pid, &status, WNOHANG, &ru);
      if (r == 0) {
        // The safety net: a run whose processor time has not grown for the stall limit
        // is hung (blocked or stopped); a run that computes, however slowly the machine
        // lets it, meets its processor-time bound instead.
        const auto now = std::chrono::steady_clock::now();
        if (!j.killed && now - j.last_look >= std::chrono::seconds(1)) {
          j.last_look = now;
          const long t = proc_ticks(j.pid);
          if (t != j.ticks) {
            j.ticks = t;
            j.last_growth = now;
          } else if (std::chrono::duration<double>(now - j.last_growth).count() > o.stall) {
            j.killed = true;
            kill(-j.pid, SIGKILL);
            kill(j.pid, SIGKILL);
          }
        }
        ++k;
        continue;
      }
      j.cpu_used = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                   1e-6 * static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec);
      const std::string c = classify(o, j, status);
      ++counts[c];
      if (!o.list.empty()) {
        char cpu[32];
        std::snprintf(cpu, sizeof cpu, "%.2f", j.cpu_used);
        listed[j.index] = j.base + " " + cpu + " s: " + c;
      }
      const bool is_bad = c.rfind("bad", 0) == 0;
      if (is_bad || (!o.also_keep.empty() && has(c, o.also_keep.c_str()))) {
        if (is_bad) ++bad;
        std::cout << "mutant " << j.index << " of " << j.base << ": " << c << "\n" << j.what;
        if (!o.keep.empty()) {
          const std::string stem = "mutant_" + std::to_string(o.seed) + "_" + std::to_string(j.index);
          std::ofstream(o.keep / (stem + ".in"), std::ios::binary) << j.deck;
          std::ofstream(o.keep / (stem + ".txt"))
              << "base deck: " << j.base << "\nending: " << c << "\n" << j.what << "--- stderr\n"
              << slurp(j.dir / "stderr.txt").substr(0, 4000);
        }
      } else {
        fs::remove_all(j.dir);
      }
      running.erase(running.begin() + static_cast<long>(k));
      reaped = true;
      // A long pass tells how far it has come.
      if (++done % 1000 == 0 && o.count >= 2000)
        std::cout << "zelk_fuzz: " << done << " of " << o.count << " mutants, " << bad << " bad" << std::endl;
    }
    if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::cout << "zelk_fuzz: seed " << o.seed << ", " << o.count << " mutants\n";
  for (const auto &kv : counts) std::cout << "  " << kv.second << "  " << kv.first << "\n";
  std::cout << "fuzz: " << o.count - bad << " passed, " << bad << " failed" << std::endl;
  if (!o.list.empty()) {
    std::ofstream l(o.list);
    for (const auto &kv : listed) l << kv.first << " " << kv.second << "\n";
  }
  if (bad == 0) fs::remove_all(o.work);
  return bad == 0 ? 0 : 1;
}
