// The parts of the sweep of the field step that do not depend on the mode: the division
// of the columns among the threads and the instruction set of the loops.
#include "solver/sweep.hpp"

#include <algorithm>
#include <vector>

std::vector<float> sweep_scratch;

vecisa_t vecisa;

int vecisa_widest() {
#ifdef ZELK_WIDE_SWEEP
  __builtin_cpu_init();
  if (__builtin_cpu_supports("x86-64-v4")) return 4;
  if (__builtin_cpu_supports("x86-64-v3")) return 3;
#endif
  return 1;
}

// Blocks of equal time rather than equal size. The columns do not all cost the same: where
// the field is tiny (ahead of the bunch's wave front, in the tail of its distribution) the
// arithmetic on subnormal numbers is several times slower, and the block that holds them
// holds up the step. The time of each block in a step gives a cost per column (smoothed
// over the steps); the next step's cuts divide the summed cost equally. Every division of
// the window gives the same values, so this changes only the time. One record per mode.
balance_t balance[2];

void block_cols(int J0, int J1, const int *cut, int ncut, int t, int T, int &a, int &b) {
  if (cut && ncut == T) {
    a = cut[t];
    b = cut[t + 1] - 1;
  } else {
    const long N = J1 - J0 + 1;
    a = J0 + static_cast<int>(N * t / T);
    b = J0 + static_cast<int>(N * (t + 1) / T) - 1;
  }
}

const int *balance_cuts(balance_t &bal, int J0, int J1, int T) {
  if (static_cast<int>(bal.tau.size()) < T) bal.tau.resize(T);
  if (T < 2 || J1 - J0 + 1 < T) return nullptr;
  if (static_cast<int>(bal.cost.size()) < J1 + 2) bal.cost.resize(J1 + 2, -1.0);
  // Columns not measured take the cost of the nearest measured one before or after them.
  double last = -1.0;
  for (int j = J0; j <= J1; ++j)
    if (bal.cost[j] >= 0.0) {
      last = bal.cost[j];
      break;
    }
  if (last < 0.0) return nullptr;
  double tot = 0.0;
  for (int j = J0; j <= J1; ++j) {
    if (bal.cost[j] < 0.0) bal.cost[j] = last;
    last = bal.cost[j];
    tot += last;
  }
  if (!(tot > 0.0)) return nullptr;
  bal.cut.assign(T + 1, J0);
  bal.cut[T] = J1 + 1;
  double sum = 0.0;
  int t = 1;
  for (int j = J0; j <= J1 && t < T; ++j) {
    sum += bal.cost[j];
    while (t < T && sum >= tot * t / T) bal.cut[t++] = j + 1;
  }
  for (; t < T; ++t) bal.cut[t] = J1 + 1;
  // At least one column per block.
  for (t = 1; t < T; ++t) bal.cut[t] = std::max(bal.cut[t], J0 + t);
  for (t = T - 1; t >= 1; --t) bal.cut[t] = std::min(bal.cut[t], std::min(bal.cut[t + 1] - 1, J1 + 1 - (T - t)));
  return bal.cut.data();
}

void balance_take(balance_t &bal, int J0, int J1, const int *cut, int ncut, int T) {
  if (T < 2) return;
  if (static_cast<int>(bal.cost.size()) < J1 + 2) bal.cost.resize(J1 + 2, -1.0);
  for (int t = 0; t < T; ++t) {
    int a, b;
    block_cols(J0, J1, cut, ncut, t, T, a, b);
    if (a > b) continue;
    const double d = bal.tau[t] / (b - a + 1);
    for (int j = a; j <= b; ++j) bal.cost[j] = bal.cost[j] < 0.0 ? d : 0.5 * bal.cost[j] + 0.5 * d;
  }
}

int sweep_level() {
  if (vecisa.LEVEL < 0) vecisa.LEVEL = vecisa_widest();
  return vecisa.LEVEL;
}
