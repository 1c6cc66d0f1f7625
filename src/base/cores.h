// How many threads a run may use: the CPUs this process may run on.
#pragma once

// The number of CPUs in the process's affinity mask (so `taskset` and
// cgroup-pinned batch jobs are respected), at least 1.
int availableCpus();
