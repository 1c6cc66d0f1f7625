// The inner loop of a sweep: for one neighbour row u of the row being swept,
// weigh u's scores (w[v] = R(u, v) * recip(u, v)) and add, for every column j
// of a block, the weights of j's neighbours to j's running network sum.
//
// The same arithmetic comes in several instruction sets. Every variant adds
// each column's terms one by one in neighbour-list order and multiplies each
// weight once, with plain IEEE double operations, so all of them give the same
// bits; the wide ones only run many columns' sums side by side.
#pragma once

#include <cstdint>
#include <vector>

#include "base/types.h"

namespace detail {

enum class SweepKernel { Scalar, Avx2, Avx512 };

// The fastest kernel on this CPU among those it (and its operating system)
// can run, found by a race of a few milliseconds on the first call.
SweepKernel bestSweepKernel();
bool sweepKernelRuns(SweepKernel k);
const char* sweepKernelName(SweepKernel k);

// The columns [j0, j1) of a sweep block, laid out for a kernel of `width` lanes.
//
// Columns are sorted by degree (stable) and cut into groups of `width`; a
// group's neighbour lists are interleaved step by step, idx[step * width +
// lane], and shorter lists are padded to the group's longest with the index
// `pad`, whose weight is always +0.0. A running sum starts at +0.0 and so can
// never become -0.0, which makes adding +0.0 an exact no-op: padding changes no
// bit of any sum.
struct LaneGroups {
  int width = 0;
  VecInt slotOf;                // column j - j0 -> its lane slot (group * width + lane)
  std::vector<int> groupStart;  // steps of group g: groupStart[g] .. groupStart[g+1]-1
  std::vector<int32_t> idx;     // step-major lists, width entries a step
  int slots() const { return ((int)groupStart.size() - 1) * width; }
};

LaneGroups makeLaneGroups(const VecInt& off2, const VecInt& nb2, int j0, int j1, int width,
                          int pad);

struct SweepKernelFns {
  int width;
  // w[v] = Ru[v] * rec[cls2[v]] for v in [0, n).
  void (*weigh)(const double* Ru, const double* rec, const int* cls2, int n, double* w);
  // acc[slot] += the weights of that slot's list, in list order.
  void (*gather)(const double* w, const LaneGroups& groups, double* acc);
};

SweepKernelFns sweepKernelFns(SweepKernel k);

}  // namespace detail
