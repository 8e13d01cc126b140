// Array convention of the whole program.
//
// Every array is indexed from 1 in each dimension, as in the formulas of the field
// and mesh code: a(i) is element i, a(i, j) is element (i, j), and the first index
// runs fastest in memory (column order), so that a(c, m) of a (3, NMESH) array and
// the flat index (m - 1)*3 + c agree. A debug build (ZELK_CHECK_BOUNDS) checks every
// index and aborts on the first one outside its extent; Release builds do no checks.
//
// Hot loops take the raw pointer p = a.data() and index it with p[m - 1].
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <atomic>
#include <new>
#include <vector>
#ifdef __linux__
#include <sys/mman.h>
#endif

#ifdef ZELK_CHECK_BOUNDS
#define ZELK_BOUNDS(cond)                                                              \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "zelk: array index out of range at %s:%d\n", __FILE__,      \
                   __LINE__);                                                          \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)
#else
#define ZELK_BOUNDS(cond) ((void)0)
#endif

// Storage of the arrays. A large array (the fields, cell codes and flags of the mesh) is
// placed on 2 MiB boundaries and, on Linux, asked for huge pages before it is first
// touched: a field step streams the whole mesh column after column, and with 4 KiB pages
// the processor's prefetch stops at every page (about one column). Successive large
// arrays then start at different offsets within a page (a multiple of 576 bytes), so that
// the same node of the six field components does not fall on the same cache set and the
// loads of one component are not held up by the stores of another at an address with the
// same low bits. Only the speed depends on it.
template <class T> struct big_alloc {
  using value_type = T;
  static constexpr std::size_t HUGE_MIN = std::size_t{4} << 20, PAGE = std::size_t{2} << 20;
  static constexpr std::size_t SHIFT = 576, NSHIFT = 7; // offsets 576 .. 4032 bytes
  big_alloc() = default;
  template <class U> big_alloc(const big_alloc<U> &) {}
  T *allocate(std::size_t n) {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < HUGE_MIN) return std::allocator<T>().allocate(n);
    static std::atomic<std::size_t> count{0};
    const std::size_t off = SHIFT * (1 + count++ % NSHIFT);
    const std::size_t round = (bytes + off + PAGE - 1) / PAGE * PAGE;
    char *p = static_cast<char *>(std::aligned_alloc(PAGE, round));
    if (!p) {
      // As operator new does: the program's new handler (the memory stop of the run), else
      // the exception.
      if (std::new_handler h = std::get_new_handler()) h();
      throw std::bad_alloc();
    }
#ifdef MADV_HUGEPAGE
    madvise(p, round, MADV_HUGEPAGE);
#endif
    char *q = p + off;
    reinterpret_cast<char **>(q)[-1] = p; // the block, for deallocate
    return reinterpret_cast<T *>(q);
  }
  void deallocate(T *q, std::size_t n) {
    if (n * sizeof(T) < HUGE_MIN) std::allocator<T>().deallocate(q, n);
    else std::free(reinterpret_cast<char **>(q)[-1]);
  }
  template <class U> bool operator==(const big_alloc<U> &) const { return true; }
};
template <class T> using big_vector = std::vector<T, big_alloc<T>>;

// One-dimensional array a(1..n). A negative extent counts as 0.
template <class T> struct arr1 {
  big_vector<T> v;
  arr1() = default;
  explicit arr1(long n, T init = T()) { alloc(n, init); }
  void alloc(long n, T init = T()) {
    v.assign(n > 0 ? static_cast<std::size_t>(n) : 0, init);
  }
  void release() { big_vector<T>().swap(v); }
  long size() const { return static_cast<long>(v.size()); }
  bool allocated() const { return !v.empty(); }
  T &operator()(long i) {
    ZELK_BOUNDS(i >= 1 && i <= size());
    return v[static_cast<std::size_t>(i - 1)];
  }
  const T &operator()(long i) const {
    ZELK_BOUNDS(i >= 1 && i <= size());
    return v[static_cast<std::size_t>(i - 1)];
  }
  T *data() { return v.data(); }
  const T *data() const { return v.data(); }
  void fill(T x) { std::fill(v.begin(), v.end(), x); }
};

// Two-dimensional array a(1..n1, 1..n2), first index fastest.
template <class T> struct arr2 {
  big_vector<T> v;
  long n1 = 0, n2 = 0;
  arr2() = default;
  arr2(long a, long b, T init = T()) { alloc(a, b, init); }
  void alloc(long a, long b, T init = T()) {
    n1 = a > 0 ? a : 0;
    n2 = b > 0 ? b : 0;
    v.assign(static_cast<std::size_t>(n1 * n2), init);
  }
  void release() {
    big_vector<T>().swap(v);
    n1 = n2 = 0;
  }
  bool allocated() const { return !v.empty(); }
  T &operator()(long i, long j) {
    ZELK_BOUNDS(i >= 1 && i <= n1 && j >= 1 && j <= n2);
    return v[static_cast<std::size_t>((i - 1) + (j - 1) * n1)];
  }
  const T &operator()(long i, long j) const {
    ZELK_BOUNDS(i >= 1 && i <= n1 && j >= 1 && j <= n2);
    return v[static_cast<std::size_t>((i - 1) + (j - 1) * n1)];
  }
  T *data() { return v.data(); }
  void fill(T x) { std::fill(v.begin(), v.end(), x); }
};

// Three-dimensional array a(1..n1, 1..n2, 1..n3), first index fastest.
template <class T> struct arr3 {
  big_vector<T> v;
  long n1 = 0, n2 = 0, n3 = 0;
  arr3() = default;
  void alloc(long a, long b, long c, T init = T()) {
    n1 = a > 0 ? a : 0;
    n2 = b > 0 ? b : 0;
    n3 = c > 0 ? c : 0;
    v.assign(static_cast<std::size_t>(n1 * n2 * n3), init);
  }
  void release() {
    big_vector<T>().swap(v);
    n1 = n2 = n3 = 0;
  }
  bool allocated() const { return !v.empty(); }
  T &operator()(long i, long j, long k) {
    ZELK_BOUNDS(i >= 1 && i <= n1 && j >= 1 && j <= n2 && k >= 1 && k <= n3);
    return v[static_cast<std::size_t>((i - 1) + ((j - 1) + (k - 1) * n2) * n1)];
  }
  const T &operator()(long i, long j, long k) const {
    ZELK_BOUNDS(i >= 1 && i <= n1 && j >= 1 && j <= n2 && k >= 1 && k <= n3);
    return v[static_cast<std::size_t>((i - 1) + ((j - 1) + (k - 1) * n2) * n1)];
  }
  T *data() { return v.data(); }
  void fill(T x) { std::fill(v.begin(), v.end(), x); }
};

// Fixed-size 1-based array for the dimensioned inputs of the deck (DDR(1000), RZ(2000)).
template <class T, long N> struct fix1 {
  T v[N] = {};
  static constexpr long size() { return N; }
  T &operator()(long i) {
    ZELK_BOUNDS(i >= 1 && i <= N);
    return v[i - 1];
  }
  const T &operator()(long i) const {
    ZELK_BOUNDS(i >= 1 && i <= N);
    return v[i - 1];
  }
  T *data() { return v; }
  const T *data() const { return v; }
};
