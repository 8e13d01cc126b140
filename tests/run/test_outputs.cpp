// The output files of a run when the machine is at fault: a write that fails, a signal
// that ends the run, a second run on the same names, and the name the process shows.
//
// Runs that must be caught in their time loop are held there deterministically: their
// standard output is a pipe filled beforehand so far that the run's terminal lines up to
// and including the first progress line just fill it. The run then waits in its second
// progress line until the pipe is read, however fast or slow the machine is.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include "../quiet_regex.hpp"
#include <string>
#include <thread>
#include <vector>

#include "run_binary.hpp"

extern char **environ;

namespace fs = std::filesystem;

namespace {

fs::path fresh_dir() {
  static int n = 0;
  const fs::path d = fs::temp_directory_path() / ("zelk_outputs_" + std::to_string(::getpid()) + "_" + std::to_string(n++));
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

void write_file(const fs::path &p, const std::string &text) { std::ofstream(p, std::ios::binary) << text; }

// Exit status as a shell gives it: 128 + the signal for a process ended by one.
int status_of(int ws) {
  if (WIFEXITED(ws)) return WEXITSTATUS(ws);
  if (WIFSIGNALED(ws)) return 128 + WTERMSIG(ws);
  return -1;
}

// Starts `zelk arg` in dir: standard input empty, standard error into stderr<tag>.txt,
// standard output into out_fd or stdout<tag>.txt; two threads; without the variables that
// would keep the program from restarting itself. as_limit: RLIMIT_AS in bytes, or 0.
pid_t spawn(const fs::path &dir, const std::string &arg, int out_fd = -1, rlim_t as_limit = 0,
            const std::string &tag = "") {
  // Everything the child needs is made before the fork: after it only system calls.
  std::vector<std::string> env;
  for (char **e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("GOMP_SPINCOUNT=", 0) == 0 || v.rfind("OMP_WAIT_POLICY=", 0) == 0 || v.rfind("OMP_NUM_THREADS=", 0) == 0)
      continue;
    env.push_back(v);
  }
  env.push_back("OMP_NUM_THREADS=2");
  std::vector<char *> envp;
  for (std::string &v : env) envp.push_back(v.data());
  envp.push_back(nullptr);
  const std::string bin = ZELK_BINARY, d = dir.string(), out = (dir / ("stdout" + tag + ".txt")).string(),
                    err = (dir / ("stderr" + tag + ".txt")).string();
  std::string a0 = bin, a1 = arg;
  char *argv[] = {a0.data(), a1.data(), nullptr};
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(d.c_str()) != 0) _exit(126);
    const int in = open("/dev/null", O_RDONLY);
    const int o = out_fd >= 0 ? out_fd : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0 || dup2(in, 0) < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(126);
    if (as_limit) {
      struct rlimit rl{as_limit, as_limit};
      if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(126);
    }
    execve(bin.c_str(), argv, envp.data());
    _exit(127);
  }
  return pid;
}

int wait_status(pid_t pid) {
  int ws = 0;
  while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
  }
  return status_of(ws);
}

int run_now(const fs::path &dir, const std::string &arg, rlim_t as_limit = 0) {
  return wait_status(spawn(dir, arg, -1, as_limit));
}

// Dates, clock times and CPU times of the report and the plot file masked.
std::string masked(std::string s) {
  s = std::regex_replace(s, std::regex("[0-9]{2}/[0-9]{2}/[0-9]{2}"), "DD/MM/YY");
  s = std::regex_replace(s, std::regex("[0-9]{2}\\.[0-9]{2}\\.[0-9]{2}"), "HH.MM.SS");
  std::string r;
  for (const std::string &l : lines_of(s))
    r += (l.find("CPU") != std::string::npos || l.find("TIME LEFT") != std::string::npos
              ? std::regex_replace(l, std::regex("[-+0-9.E]+"), "T")
              : l) +
         "\n";
  return r;
}

// A run held in its time loop (see the head of this file). head: the terminal lines of
// the same run up to and including its first progress line.
struct held_run {
  pid_t pid = -1;
  int rd = -1;
  std::size_t filler = 0;
};

std::string head_through_first_progress(const std::string &terminal) {
  const std::size_t p = terminal.find("% OVER\n");
  return p == std::string::npos ? std::string() : terminal.substr(0, p + 7);
}

held_run start_held(const fs::path &dir, const std::string &arg, const std::string &head) {
  held_run h;
  int p[2];
  if (pipe2(p, O_CLOEXEC) != 0) return h;
  fcntl(p[1], F_SETPIPE_SZ, 4096);
  const int cap = fcntl(p[1], F_GETPIPE_SZ);
  if (cap <= static_cast<int>(head.size())) return h;
  h.filler = static_cast<std::size_t>(cap) - head.size();
  const std::string fill(h.filler, '#');
  if (write(p[1], fill.data(), fill.size()) != static_cast<ssize_t>(fill.size())) return h;
  h.pid = spawn(dir, arg, p[1], 0, "_held");
  close(p[1]);
  h.rd = p[0];
  // Held once the pipe is full; the bound only keeps a broken program from hanging the test.
  for (int k = 0; k < 60000; ++k) {
    int n = 0;
    if (ioctl(h.rd, FIONREAD, &n) == 0 && n >= cap) return h;
    int ws = 0;
    if (waitpid(h.pid, &ws, WNOHANG) == h.pid) {
      ADD_FAILURE() << "the run ended before its first progress line, status " << status_of(ws);
      h.pid = -1;
      return h;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ADD_FAILURE() << "the run did not reach its first progress line";
  return h;
}

// Reads the pipe to its end (the run goes on) and returns the run's terminal output.
std::string release(held_run &h) {
  std::string all;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(h.rd, buf, sizeof buf);
    if (n > 0) all.append(buf, static_cast<std::size_t>(n));
    else if (n == 0 || errno != EINTR) break;
  }
  close(h.rd);
  h.rd = -1;
  return all.size() >= h.filler ? all.substr(h.filler) : all;
}

// The deck of the held runs: long enough for two progress lines 2 steps apart at least.
const char *kDeck = "pillbox_small.in";

// The terminal output and files of the deck run alone, once per test process.
struct reference_run {
  std::string terminal, out, pot, top;
};
const reference_run &reference() {
  static const reference_run r = [] {
    reference_run x;
    const fs::path d = fresh_dir();
    write_file(d / "case.in", deck_file(kDeck));
    EXPECT_EQ(run_now(d, "case.in"), 0) << slurp(d / "stderr.txt");
    x.terminal = slurp(d / "stdout.txt");
    x.out = slurp(d / "case.out");
    x.pot = slurp(d / "case.pot");
    x.top = slurp(d / "case.top");
    fs::remove_all(d);
    return x;
  }();
  return r;
}

} // namespace

// A write that the system refuses ends the run with exit 1 and one line naming the file
// and the reason; the report, where it can still be written, ends with the same words in
// a stop record and never says that the run ended without error.
TEST(OutputFiles, WriteFailureOfEachFile) {
  const struct {
    const char *file;
    const char *deck_head; // the FILE group; the save file is written by a run that saves
  } rows[] = {
      {"case.out", " &FILE  LSAV=F /"},
      {"case.pot", " &FILE  LSAV=F /"},
      {"case.top", " &FILE  LSAV=F /"},
      {"fort.1", " &FILE  LSAV=T, TSOS=3601. /"},
  };
  // Its own FILE group replaced; a wake table and plot asked, so that both files are written.
  std::string deck = deck_file("pillbox_small.in");
  deck = deck.substr(deck.find('\n') + 1);
  deck = std::regex_replace(deck, std::regex("&PLOT  /"), "&PLOT  LPLW=T /");
  deck = std::regex_replace(deck, std::regex("&PRIN  /"), "&PRIN  LSVW=T /");
  for (const auto &r : rows) {
    SCOPED_TRACE(r.file);
    const fs::path d = fresh_dir();
    write_file(d / "case.in", std::string(r.deck_head) + "\n" + deck);
    fs::create_symlink("/dev/full", d / r.file);
    EXPECT_EQ(run_now(d, "case.in"), 1);
    const std::string why = std::string(r.file) + ": " + std::strerror(ENOSPC);
    EXPECT_EQ(slurp(d / "stderr.txt"), "zelk: cannot write " + why + "\n");
    if (std::string(r.file) != "case.out") {
      const std::vector<std::string> rep = lines_of(slurp(d / "case.out"));
      ASSERT_FALSE(rep.empty());
      EXPECT_EQ(rep.back(), " *** STOP *** CANNOT WRITE " + why);
      for (const std::string &l : rep) EXPECT_EQ(l.find("ENDED WITHOUT ERROR"), std::string::npos);
    }
    fs::remove_all(d);
  }
}

// SIGTERM and SIGINT in the time loop: the run ends at its next step with a closing record
// on the report, one line on standard error and the status 128 + the signal; the report
// holds the echo written before, the terminal the progress line. The process shows its
// own name, also after restarting itself.
TEST(OutputFiles, SignalInTheTimeLoop) {
  const std::string head = head_through_first_progress(reference().terminal);
  ASSERT_FALSE(head.empty()) << reference().terminal;
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig);
    const fs::path d = fresh_dir();
    write_file(d / "case.in", deck_file(kDeck));
    held_run h = start_held(d, "case.in", head);
    ASSERT_GT(h.pid, 0);
    EXPECT_EQ(slurp(fs::path("/proc") / std::to_string(h.pid) / "comm"), "zelk\n");
    // The echo is on the disk while the run is in its loop.
    EXPECT_NE(slurp(d / "case.out").find("NUMBER OF MESH POINTS"), std::string::npos);
    ASSERT_EQ(kill(h.pid, sig), 0);
    const std::string terminal = release(h);
    EXPECT_EQ(wait_status(h.pid), 128 + sig);
    EXPECT_EQ(slurp(d / "stderr_held.txt"), "zelk: run interrupted by signal " + std::to_string(sig) + ", see case.out\n");
    EXPECT_EQ(terminal.rfind(head, 0), 0u) << terminal;
    const std::string rep = slurp(d / "case.out");
    EXPECT_NE(rep.find("NUMBER OF MESH POINTS"), std::string::npos);
    const std::vector<std::string> lines = lines_of(rep);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(std::regex_match(lines.back(), std::regex(" \\*\\*\\* STOP \\*\\*\\* RUN INTERRUPTED BY SIGNAL " +
                                                          std::to_string(sig) + " AT TIME STEP [0-9]+ OF [0-9]+\\.")))
        << lines.back();
    EXPECT_EQ(rep.find("ENDED WITHOUT ERROR"), std::string::npos);
    fs::remove_all(d);
  }
}

// A second run on the same names, or one that saves in the folder of a run that saves,
// stops at once naming the holder and leaves the first run's files alone; the first run
// ends as it would alone. A run killed outright leaves no lock behind.
TEST(OutputFiles, OneRunPerOutputName) {
  const reference_run &ref = reference();
  const std::string head = head_through_first_progress(ref.terminal);
  ASSERT_FALSE(head.empty());

  {
    SCOPED_TRACE("the same deck twice");
    const fs::path d = fresh_dir();
    write_file(d / "case.in", deck_file(kDeck));
    held_run h = start_held(d, "case.in", head);
    ASSERT_GT(h.pid, 0);
    const std::string out_before = slurp(d / "case.out");
    // A deck swapped under the same name and started.
    write_file(d / "case.in", deck_file("pillbox_loss.in"));
    EXPECT_EQ(run_now(d, "case.in"), 1);
    EXPECT_EQ(slurp(d / "stderr.txt"),
              "zelk: case.out is being written by another run (pid " + std::to_string(h.pid) + ")\n");
    EXPECT_EQ(slurp(d / "case.out"), out_before);
    release(h);
    EXPECT_EQ(wait_status(h.pid), 0) << slurp(d / "stderr_held.txt");
    EXPECT_EQ(masked(slurp(d / "case.out")), masked(ref.out));
    EXPECT_EQ(slurp(d / "case.pot"), ref.pot);
    EXPECT_EQ(masked(slurp(d / "case.top")), masked(ref.top));
    fs::remove_all(d);
  }
  {
    SCOPED_TRACE("two decks that save in one folder");
    const fs::path d = fresh_dir();
    std::string deck = deck_file(kDeck);
    deck = " &FILE  LSAV=T /\n" + deck.substr(deck.find('\n') + 1);
    write_file(d / "a.in", deck);
    write_file(d / "b.in", deck);
    held_run h = start_held(d, "a.in", head);
    ASSERT_GT(h.pid, 0);
    EXPECT_EQ(run_now(d, "b.in"), 1);
    EXPECT_EQ(slurp(d / "stderr.txt"),
              "zelk: fort.1 is being written by another run (pid " + std::to_string(h.pid) + ")\n");
    release(h);
    EXPECT_EQ(wait_status(h.pid), 0);
    EXPECT_EQ(slurp(d / "a.pot"), ref.pot);
    // The run did not come to save: the file made for the lock is gone again.
    EXPECT_FALSE(fs::exists(d / "fort.1"));
    fs::remove_all(d);
  }
  {
    SCOPED_TRACE("a run killed outright");
    const fs::path d = fresh_dir();
    write_file(d / "case.in", deck_file(kDeck));
    held_run h = start_held(d, "case.in", head);
    ASSERT_GT(h.pid, 0);
    kill(h.pid, SIGKILL);
    EXPECT_EQ(wait_status(h.pid), 128 + SIGKILL);
    close(h.rd);
    // What it reported is on the disk: the echo, not cut in a buffer.
    EXPECT_NE(slurp(d / "case.out").find("NUMBER OF MESH POINTS"), std::string::npos);
    EXPECT_EQ(run_now(d, "case.in"), 0) << slurp(d / "stderr.txt");
    EXPECT_EQ(slurp(d / "case.pot"), ref.pot);
    fs::remove_all(d);
  }
}

// Arrays that fit the bare address-space limit but not beside what the program already
// holds stop with the memory record before any is allocated, never with an abort.
TEST(OutputFiles, AddressSpaceLimit) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the memory limit of the process needs a build without sanitizers";
#endif
  const fs::path d = fresh_dir();
  // About 1.0E9 bytes of arrays under a limit of 1 GiB.
  std::string deck = deck_file("big_ddz_1e-7.in");
  deck = std::regex_replace(deck, std::regex("DDZ=1\\.0E-7"), "DDZ=4.0E-7");
  write_file(d / "case.in", deck);
  EXPECT_EQ(run_now(d, "case.in", rlim_t{1} << 30), 1);
  EXPECT_EQ(slurp(d / "stderr.txt"), "zelk: run stopped, see case.out\n");
  const std::vector<std::string> rep = lines_of(slurp(d / "case.out"));
  ASSERT_FALSE(rep.empty());
  EXPECT_TRUE(std::regex_match(rep.back(), std::regex(" \\*\\*\\* STOP \\*\\*\\* NMESH = [0-9]+ NEEDS [0-9]+ BYTES FOR THE "
                                                      "ARRAYS OF THE RUN, MORE THAN THE [0-9]+ BYTES LEFT UNDER THE "
                                                      "ADDRESS-SPACE LIMIT OF 1073741824 BYTES\\.")))
      << rep.back();
  fs::remove_all(d);
}

// Output files that cannot be opened, and a deck that cannot be read, are named with the
// system's reason; nothing is emptied.
TEST(OutputFiles, OpenFailuresGiveTheReason) {
  const fs::path d = fresh_dir();
  fs::create_directories(d / "deck.in");
  EXPECT_EQ(run_now(d, "deck.in"), 1);
  EXPECT_EQ(slurp(d / "stderr.txt"), std::string("zelk: deck.in: cannot open the input file: ") + std::strerror(EISDIR) + "\n");
  EXPECT_EQ(run_now(d, "missing.in"), 1);
  EXPECT_EQ(slurp(d / "stderr.txt"),
            std::string("zelk: missing.in: cannot open the input file: ") + std::strerror(ENOENT) + "\n");
  EXPECT_FALSE(fs::exists(d / "missing.out"));
  // A save file that cannot be opened matters only to a run that comes to save.
  fs::create_directories(d / "fort.1");
  std::string deck = deck_file(kDeck);
  deck = deck.substr(deck.find('\n') + 1);
  write_file(d / "keeps.in", " &FILE  LSAV=T /\n" + deck);
  EXPECT_EQ(run_now(d, "keeps.in"), 0) << slurp(d / "stderr.txt");
  write_file(d / "saves.in", " &FILE  LSAV=T, TSOS=3601. /\n" + deck);
  EXPECT_EQ(run_now(d, "saves.in"), 1);
  EXPECT_EQ(slurp(d / "stderr.txt"), std::string("zelk: fort.1: cannot open the save file: ") + std::strerror(EISDIR) + "\n");
  fs::remove_all(d);
}
