// Sequential units: text files (deck, report, tables, plot commands, terminal) and
// record files (save and restart), addressed by the numbers of the unit table.
//
// Text input units are read whole when opened and then walked record by record, so
// that backspace and rewind are exact. Text output units write through a buffer; a
// unit opened in memory keeps its records for the tests.
#pragma once
#include <string>
#include <vector>

// Open a text unit by name. Input units are opened read-only and must exist (a missing
// file is a fatal read error); output units are created or truncated. A file that cannot
// be opened is named with the system's reason.
void uopen_in(int unit, const std::string &name);
void uopen_out(int unit, const std::string &name);
// The output files of a process are opened in two stages, so that nothing is emptied
// before all of them can be written and none is in use by another run: uopen_hold opens
// a file without emptying it and takes an exclusive lock on it (a lock of the operating
// system, held until the process ends or closes the file; a file whose lock another
// process holds is a fatal start-up error naming that process), uopen_keep only opens
// it; uopen_out_fd then empties the file and connects the unit to it. bhold does the
// first stage for a record file to be written: it is emptied when first written, and a
// file made by bhold and never written is removed when the unit is closed. With may_fail,
// a file that cannot be opened is left to the first write (-1; the lock held by another
// run is still fatal).
int uopen_hold(const std::string &name, const char *what, bool *created = nullptr, bool may_fail = false);
int uopen_keep(const std::string &name, const char *what);
void uopen_out_fd(int unit, const std::string &name, int fd);
void bhold(int unit, const std::string &name, bool may_fail = false);
// Connect an input unit to a text held in memory (deck tests) and an output unit to
// memory (report tests); umem() returns the records written so far.
void uopen_in_text(int unit, const std::string &text, const std::string &name = "deck");
void uopen_mem(int unit);
const std::vector<std::string> &umem(int unit);
// Every write, flush and close of an output unit is checked: when the system refuses one
// (no space, quota, I/O error, file too large) the process ends at once through
// write_failed. uclose_files closes every file (the report last) and keeps the units held
// in memory; uclose_all closes every unit.
void uclose(int unit);
void uclose_files();
void uclose_all();
void uflush(int unit);
void uflush_all();
// Flush without checks, for the ending of a process that has already failed.
void uflush_quiet();
// The end of a process whose output file NAME could not be written (err: the errno):
// "zelk: cannot write NAME: reason" on standard error, the same words in a "*** STOP ***"
// record on the report when the report is not that file, the other files closed, exit
// status 1.
[[noreturn]] void write_failed(const std::string &name, int err);

// Text output: one record (a line; the newline is added). NTERM is standard output; a
// line on the terminal also flushes the report, so that the report on the disk follows
// the run. A signal that asked the run to end is taken here, before the record.
void uput(int unit, const std::string &record);

// Text input: the next record into rec; false at the end of the unit.
bool uget(int unit, std::string &rec);
// The next record, or a fatal read error naming the group when the unit has ended.
std::string uget_or_die(int unit, const char *group = nullptr);
void ubackspace(int unit);
void urewind(int unit);

// Fixed-column read with A descriptors: the next record, cut or padded with blanks to
// n columns (A8 gives columns 1 to 8, 9A8 the 72 columns of nine texts). The end of the
// unit is a fatal read error naming the group when one is given.
std::string uread_cols(int unit, std::size_t n, const char *group = nullptr);
// List-directed read of one real number: records are read up to the first one that
// holds anything but blanks (blank records are passed over, as in any list-directed
// read), and its first value is taken; the rest of that record is not looked at. True
// with x set when a value was taken; false, x unchanged, for a null value ("," or "/"
// first, or "r*" alone). A value that is not a finite real number, or the end of the
// unit, is a fatal read error.
bool uread_real(int unit, float &x);
// A real number as list-directed and namelist input write it: optional sign, digits
// with or without a point, an optional exponent introduced by E, D or Q (either case)
// or by its sign alone (1.0+5); rounded once to the nearest 32-bit float. Returns 0
// with x set, 1 when the text is not such a number, 2 when it overflows a float.
int real_text(const std::string &t, float &x);
// Number of the record last read (1-based), and the name of the unit's file.
int urecno(int unit);
std::string uname(int unit);

// Fatal read error: writes "zelk: FILE:LINE: what (group &G, variable V)" to standard
// error (the parenthesis only with what is known), flushes the open units and ends the
// process with exit status 1. Nothing is written to the report.
[[noreturn]] void read_fatal(int unit, const std::string &what, const char *group = nullptr,
                             const char *variable = nullptr, int line = -1);
// Fatal error of the start-up (no unit yet): "zelk: what", exit 1.
[[noreturn]] void start_fatal(const std::string &what);

// End of the process after a "*** STOP ***" or a process-ending "*** ERROR ***"
// message on the report: flush every unit, name the report on standard error
// ("zelk: run stopped, see case.out") and exit with status 1.
[[noreturn]] void zstop();
// Normal end after the end block: close every unit (the report last) and exit with
// status 0.
[[noreturn]] void zend();

// Record files (save file on unit 1, restart file on unit 2): each record is framed by
// its length in bytes as a 4-byte integer before and after it. Units not opened by name
// are connected to "fort.N" in the working directory when first used. Rewinding a unit
// that is written empties its file, so that a write after the rewind leaves nothing of
// the former records behind.
struct binrec {
  std::vector<unsigned char> b;
  std::size_t pos = 0; // read position
  void put(int x);
  void put(float x);
  void putl(bool x); // switch: true = -1, false = 0
  void put(const std::string &s); // its bytes, no terminator
  void put(const float *x, long n);
  void put(const int *x, long n);
  int geti();
  float getr();
  bool getl(); // true when the lowest bit is 1
  std::string gets(std::size_t n);
  void get(float *x, long n);
  void get(int *x, long n);
};
void bwrite(int unit, const binrec &r);
// Read the next record; its length must be exactly nbytes, else a fatal read error
// naming the record number (and the item read, when given). A length word that is not
// nbytes is refused before anything is allocated for it.
binrec bread(int unit, std::size_t nbytes, const char *item = nullptr);
// The lengths of the records from the read position of the unit to its end (or to the
// first record whose framing is broken), without moving the read position.
std::vector<std::size_t> blengths_ahead(int unit);
void bopen(int unit, const std::string &name, bool for_write);
