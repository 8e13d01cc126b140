// Sequential text units and record files of the unit table.
#include "run/units.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "run/constants.hpp"
#include "run/stops.hpp"

namespace {

struct unit_t {
  std::string name;
  bool input = false;
  bool memory = false;
  // input: all records and the position (index of the next record)
  std::vector<std::string> lines;
  std::size_t next = 0;
  // output
  std::FILE *f = nullptr;
  std::vector<std::string> mem;
  // record files
  bool binary = false;
  bool bin_write = false;
  int brecno = 0;
  // A file opened and locked for writing but not yet emptied (the save file of a run that
  // may save): its descriptor, -1 when there is none.
  int held_fd = -1;
  bool created = false; // the file did not exist before: removed again when never written
};

std::map<int, unit_t> &table() {
  static std::map<int, unit_t> t;
  return t;
}

unit_t &get(int unit) { return table()[unit]; }

std::vector<std::string> split_lines(const std::string &text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t nl = text.find('\n', start);
    std::size_t end = nl == std::string::npos ? text.size() : nl;
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return out;
}

// Set while a failed write ends the process, so that the closing of the other files
// cannot start a second ending.
bool failing = false;

int err_or_eio() { return errno != 0 ? errno : EIO; }

// Flush one output file; false with errno set when the system refused the data.
bool flush_ok(std::FILE *f) {
  errno = 0;
  return std::fflush(f) == 0 && !std::ferror(f);
}

} // namespace

[[noreturn]] void write_failed(const std::string &file, int err) {
  // A copy: the name may be held by the unit table, which is emptied below.
  const std::string name = file;
  const std::string why = std::strerror(err);
  if (!failing) {
    failing = true;
    std::fflush(stdout);
    // The stop record on the report when the report itself is not the file that failed;
    // whether it reaches the disk is not checked again.
    auto it = table().find(ndev.NOUT);
    if (it != table().end() && it->second.f && it->second.name != name) {
      std::FILE *f = it->second.f;
      const std::string r = " *** STOP *** CANNOT WRITE " + name + ": " + why + "\n";
      std::fwrite(r.data(), 1, r.size(), f);
      std::fflush(f);
    }
    for (auto &kv : table()) {
      if (kv.second.f) std::fclose(kv.second.f);
      if (kv.second.held_fd >= 0 && kv.second.created) ::unlink(kv.second.name.c_str());
    }
    table().clear();
  }
  std::fprintf(stderr, "zelk: cannot write %s: %s\n", name.c_str(), why.c_str());
  std::_Exit(1);
}

int uopen_hold(const std::string &name, const char *what, bool *created, bool may_fail) {
  int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (created) *created = fd >= 0;
  if (fd < 0 && errno == EEXIST) fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0 && may_fail) return -1;
  if (fd < 0) start_fatal(name + ": cannot open the " + what + ": " + std::strerror(errno));
  // A device (a terminal, /dev/null) is no run's file: only regular files are locked.
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return fd;
  struct flock lk {};
  lk.l_type = F_WRLCK;
  lk.l_whence = SEEK_SET;
  if (fcntl(fd, F_SETLK, &lk) == 0) return fd;
  if (errno == EACCES || errno == EAGAIN) {
    struct flock q {};
    q.l_type = F_WRLCK;
    q.l_whence = SEEK_SET;
    std::string who;
    if (fcntl(fd, F_GETLK, &q) == 0 && q.l_type != F_UNLCK && q.l_pid > 0)
      who = " (pid " + std::to_string(q.l_pid) + ")";
    start_fatal(name + " is being written by another run" + who);
  }
  // A file system without locks: the file is used unlocked.
  return fd;
}

int uopen_keep(const std::string &name, const char *what) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) start_fatal(name + ": cannot open the " + what + ": " + std::strerror(errno));
  return fd;
}

namespace {
// Empty an opened file and connect a stream to it.
std::FILE *start_file(int fd, const std::string &name, const char *mode) {
  struct stat st {};
  // Only a regular file is emptied (a terminal or a device is written as it is).
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) write_failed(name, err_or_eio());
  std::FILE *f = fdopen(fd, mode);
  if (!f) start_fatal(name + ": cannot open the output file: " + std::strerror(errno));
  return f;
}
} // namespace

void uopen_out_fd(int unit, const std::string &name, int fd) {
  uclose(unit);
  unit_t &u = get(unit);
  u.name = name;
  u.f = start_file(fd, name, "w");
}

void bhold(int unit, const std::string &name, bool may_fail) {
  uclose(unit);
  unit_t &u = get(unit);
  u.name = name;
  u.binary = true;
  u.bin_write = true;
  u.held_fd = uopen_hold(name, "save file", &u.created, may_fail);
}

void uopen_in(int unit, const std::string &name) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  int err = 0;
  if (fd < 0) err = errno;
  else if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) err = EISDIR;
  if (err != 0) {
    if (fd >= 0) ::close(fd);
    start_fatal(name + ": cannot open the input file: " + std::strerror(err));
  }
  std::string text;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      ::close(fd);
      start_fatal(name + ": cannot read the input file: " + std::strerror(err));
    }
    text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  uopen_in_text(unit, text, name);
}

void uopen_in_text(int unit, const std::string &text, const std::string &name) {
  uclose(unit);
  unit_t &u = get(unit);
  u.name = name;
  u.input = true;
  u.lines = split_lines(text);
  u.next = 0;
}

void uopen_out(int unit, const std::string &name) { uopen_out_fd(unit, name, uopen_keep(name, "output file")); }

void uopen_mem(int unit) {
  uclose(unit);
  unit_t &u = get(unit);
  u.name = "memory";
  u.memory = true;
}

const std::vector<std::string> &umem(int unit) { return get(unit).mem; }

void uclose(int unit) {
  auto it = table().find(unit);
  if (it == table().end()) return;
  unit_t u = std::move(it->second);
  table().erase(it);
  if (u.held_fd >= 0) {
    // Locked for a save that did not come: a file made for it goes again.
    if (u.created) ::unlink(u.name.c_str());
    ::close(u.held_fd);
  }
  if (u.f) {
    const bool flushed = flush_ok(u.f);
    const int err = err_or_eio();
    errno = 0;
    const bool closed = std::fclose(u.f) == 0;
    if (!flushed) write_failed(u.name, err);
    if (!closed) write_failed(u.name, err_or_eio());
  }
}

void uclose_files() {
  // The report last: a table or plot file that cannot be completed is still named on it.
  std::vector<int> units;
  for (auto &kv : table())
    if (kv.first != ndev.NOUT && (kv.second.f || kv.second.held_fd >= 0)) units.push_back(kv.first);
  for (int n : units) uclose(n);
  auto it = table().find(ndev.NOUT);
  if (it != table().end() && it->second.f) uclose(ndev.NOUT);
}

void uclose_all() {
  uclose_files();
  table().clear();
}

void uflush(int unit) {
  auto it = table().find(unit);
  if (it == table().end() || !it->second.f) return;
  if (!flush_ok(it->second.f)) write_failed(it->second.name, err_or_eio());
}

void uflush_all() {
  std::fflush(stdout);
  std::vector<int> units;
  for (auto &kv : table())
    if (kv.second.f) units.push_back(kv.first);
  for (int n : units) uflush(n);
}

void uflush_quiet() {
  std::fflush(stdout);
  for (auto &kv : table())
    if (kv.second.f) std::fflush(kv.second.f);
}

void uput(int unit, const std::string &record) {
  // A signal that asked the run to end is taken at the next record written.
  if (zelk_signal != 0) interrupt_point();
  if (unit == NTERM) {
    std::fwrite(record.data(), 1, record.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    // The report follows the terminal: what a run has said reaches the disk at every line
    // on the terminal (start, run and progress lines).
    uflush(ndev.NOUT);
    return;
  }
  unit_t &u = get(unit);
  if (u.memory) {
    u.mem.push_back(record);
    return;
  }
  if (!u.f) {
    // A text unit written without an open: fort.N, as for the record files.
    u.name = "fort." + std::to_string(unit);
    u.f = start_file(uopen_keep(u.name, "output file"), u.name, "w");
  }
  errno = 0;
  if (std::fwrite(record.data(), 1, record.size(), u.f) != record.size() || std::fputc('\n', u.f) == EOF)
    write_failed(u.name, err_or_eio());
}

bool uget(int unit, std::string &rec) {
  if (unit == NKEYB) {
    if (!std::getline(std::cin, rec)) return false;
    if (!rec.empty() && rec.back() == '\r') rec.pop_back();
    return true;
  }
  unit_t &u = get(unit);
  if (!u.input || u.next >= u.lines.size()) {
    // Past the end: the position still counts the attempted record for the diagnostic.
    if (u.input && u.next == u.lines.size()) u.next = u.lines.size() + 1;
    return false;
  }
  rec = u.lines[u.next++];
  return true;
}

std::string uget_or_die(int unit, const char *group) {
  std::string r;
  if (!uget(unit, r)) read_fatal(unit, "unexpected end of file", group);
  return r;
}

void ubackspace(int unit) {
  unit_t &u = get(unit);
  if (u.next > u.lines.size()) u.next = u.lines.size();
  if (u.next > 0) --u.next;
}

void urewind(int unit) {
  unit_t &u = get(unit);
  u.next = 0;
  u.brecno = 0;
  if (u.binary && u.f) {
    std::rewind(u.f);
    // A sequential file ends after the last record written: the records written after
    // the rewind replace the file, however many there were before.
    if (u.bin_write) {
      if (!flush_ok(u.f)) write_failed(u.name, err_or_eio());
      if (ftruncate(fileno(u.f), 0) != 0) write_failed(u.name, err_or_eio());
    }
  }
}

std::string uread_cols(int unit, std::size_t n, const char *group) {
  std::string r = uget_or_die(unit, group);
  r.resize(n, ' ');
  return r;
}

int real_text(const std::string &t, float &x) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  std::string m; // the number rewritten for strtof
  std::size_t k = 0;
  if (k < t.size() && (t[k] == '+' || t[k] == '-')) m += t[k++];
  int ndig = 0;
  while (k < t.size() && digit(t[k])) m += t[k++], ++ndig;
  if (k < t.size() && t[k] == '.') {
    m += t[k++];
    while (k < t.size() && digit(t[k])) m += t[k++], ++ndig;
  }
  if (ndig == 0) return 1;
  if (k < t.size()) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[k])));
    if (c == 'E' || c == 'D' || c == 'Q') ++k;
    else if (c != '+' && c != '-') return 1;
    m += 'e';
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) m += t[k++];
    int nexp = 0;
    while (k < t.size() && digit(t[k])) m += t[k++], ++nexp;
    if (nexp == 0 || k != t.size()) return 1;
  }
  char *end = nullptr;
  float v = std::strtof(m.c_str(), &end);
  if (end != m.c_str() + m.size()) return 1;
  // Underflow gives zero or a subnormal, as the decimal says; overflow is refused.
  if (!std::isfinite(v)) return 2;
  x = v;
  return 0;
}

bool uread_real(int unit, float &x) {
  std::string r;
  std::size_t p = std::string::npos;
  while (p == std::string::npos) {
    r = uget_or_die(unit);
    p = r.find_first_not_of(" \t");
  }
  if (r[p] == ',' || r[p] == '/') return false;
  std::size_t e = r.find_first_of(" \t,/", p);
  std::string tok = r.substr(p, e == std::string::npos ? std::string::npos : e - p);
  std::string val = tok;
  std::size_t star = tok.find('*');
  if (star != std::string::npos) {
    // r*v: r equal values, of which the first is taken; r* alone is r null values.
    bool count = star > 0 && tok.find_first_not_of("0123456789") == star &&
                 tok.find_first_not_of('0') < star;
    if (!count) read_fatal(unit, "bad repeat count \"" + tok + "\"");
    val = tok.substr(star + 1);
    if (val.empty()) return false;
  }
  float v = 0.0f;
  int res = real_text(val, v);
  if (res == 2) read_fatal(unit, "real number out of range \"" + val + "\"");
  if (res != 0) read_fatal(unit, "a real number expected, got \"" + tok + "\"");
  x = v;
  return true;
}

int urecno(int unit) {
  unit_t &u = get(unit);
  return u.binary ? u.brecno : static_cast<int>(u.next);
}

std::string uname(int unit) { return get(unit).name; }

void read_fatal(int unit, const std::string &what, const char *group, const char *variable,
                int line) {
  int ln = line >= 0 ? line : urecno(unit);
  std::string msg = "zelk: " + uname(unit) + ":" + std::to_string(ln) + ": " + what;
  if (group || variable) {
    msg += " (";
    if (group) msg += std::string("group &") + group;
    if (group && variable) msg += ", ";
    if (variable) msg += std::string("variable ") + variable;
    msg += ")";
  }
  uclose_files();
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", msg.c_str());
  std::exit(1);
}

void start_fatal(const std::string &what) {
  uclose_files();
  std::fflush(stdout);
  std::fprintf(stderr, "zelk: %s\n", what.c_str());
  std::exit(1);
}

void zstop() {
  const std::string report = uname(ndev.NOUT);
  // Every file completed and closed, the report last, before the terminal learns where
  // the message stands.
  uclose_files();
  std::fflush(stdout);
  std::fprintf(stderr, "zelk: run stopped, see %s\n", report.c_str());
  std::exit(1);
}

void zend() {
  uclose_files();
  std::fflush(stdout);
  std::exit(0);
}

// ---------------------------------------------------------------- record files

void binrec::put(int x) {
  unsigned char c[4];
  std::memcpy(c, &x, 4);
  b.insert(b.end(), c, c + 4);
}
void binrec::put(float x) {
  unsigned char c[4];
  std::memcpy(c, &x, 4);
  b.insert(b.end(), c, c + 4);
}
void binrec::putl(bool x) { put(x ? -1 : 0); }
void binrec::put(const std::string &s) { b.insert(b.end(), s.begin(), s.end()); }
void binrec::put(const float *x, long n) {
  if (n <= 0) return;
  const std::size_t at = b.size();
  b.resize(at + 4 * static_cast<std::size_t>(n));
  std::memcpy(&b[at], x, 4 * static_cast<std::size_t>(n));
}
void binrec::put(const int *x, long n) {
  for (long k = 0; k < n; ++k) put(x[k]);
}
int binrec::geti() {
  int x = 0;
  if (pos + 4 <= b.size()) std::memcpy(&x, &b[pos], 4);
  pos += 4;
  return x;
}
float binrec::getr() {
  float x = 0.0f;
  if (pos + 4 <= b.size()) std::memcpy(&x, &b[pos], 4);
  pos += 4;
  return x;
}
bool binrec::getl() { return (geti() & 1) != 0; }
std::string binrec::gets(std::size_t n) {
  std::string s;
  if (pos + n <= b.size()) s.assign(reinterpret_cast<const char *>(&b[pos]), n);
  pos += n;
  return s;
}
void binrec::get(float *x, long n) {
  if (n <= 0) return;
  const std::size_t len = 4 * static_cast<std::size_t>(n);
  if (pos + len <= b.size()) {
    std::memcpy(x, &b[pos], len);
    pos += len;
    return;
  }
  for (long k = 0; k < n; ++k) x[k] = getr();
}
void binrec::get(int *x, long n) {
  for (long k = 0; k < n; ++k) x[k] = geti();
}

void bopen(int unit, const std::string &name, bool for_write) {
  if (for_write) {
    // Locked before it is emptied: a save file that another run writes is left to it.
    bhold(unit, name);
    unit_t &u = get(unit);
    u.f = start_file(u.held_fd, name, "wb");
    u.held_fd = -1;
    return;
  }
  uclose(unit);
  unit_t &u = get(unit);
  u.name = name;
  u.binary = true;
  u.bin_write = false;
  u.f = std::fopen(name.c_str(), "rb");
  if (!u.f) start_fatal(name + ": cannot open the record file: " + std::strerror(errno));
}

static unit_t &bunit(int unit, bool for_write) {
  unit_t &u = get(unit);
  if (u.binary && !u.f && u.held_fd >= 0 && for_write) {
    // The save file locked at the start of the process, emptied when first written.
    u.f = start_file(u.held_fd, u.name, "wb");
    u.held_fd = -1;
  }
  if (!u.binary || !u.f) bopen(unit, "fort." + std::to_string(unit), for_write);
  return get(unit);
}

void bwrite(int unit, const binrec &r) {
  unit_t &u = bunit(unit, true);
  std::uint32_t n = static_cast<std::uint32_t>(r.b.size());
  errno = 0;
  bool ok = std::fwrite(&n, 4, 1, u.f) == 1;
  if (ok && n) ok = std::fwrite(r.b.data(), 1, n, u.f) == n;
  if (ok) ok = std::fwrite(&n, 4, 1, u.f) == 1;
  if (!ok) write_failed(u.name, err_or_eio());
  ++u.brecno;
}

binrec bread(int unit, std::size_t nbytes, const char *item) {
  unit_t &u = bunit(unit, false);
  ++u.brecno;
  std::uint32_t n = 0, n2 = 0;
  if (std::fread(&n, 4, 1, u.f) != 1) read_fatal(unit, "end of the record file", nullptr, item);
  if (n != nbytes)
    read_fatal(unit, "record of " + std::to_string(n) + " bytes where " +
                         std::to_string(nbytes) + " were expected", nullptr, item);
  binrec r;
  r.b.resize(n);
  if (n && std::fread(r.b.data(), 1, n, u.f) != n) read_fatal(unit, "short record", nullptr, item);
  if (std::fread(&n2, 4, 1, u.f) != 1 || n2 != n)
    read_fatal(unit, "bad record framing", nullptr, item);
  return r;
}

std::vector<std::size_t> blengths_ahead(int unit) {
  unit_t &u = bunit(unit, false);
  std::vector<std::size_t> out;
  const long at = std::ftell(u.f);
  if (at < 0) return out;
  for (;;) {
    std::uint32_t n = 0, n2 = 0;
    if (std::fread(&n, 4, 1, u.f) != 1) break;
    if (std::fseek(u.f, static_cast<long>(n), SEEK_CUR) != 0) break;
    if (std::fread(&n2, 4, 1, u.f) != 1 || n2 != n) break;
    out.push_back(n);
  }
  std::clearerr(u.f);
  std::fseek(u.f, at, SEEK_SET);
  return out;
}
