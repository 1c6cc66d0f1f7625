// The baseline's lines after the evaluator's own: its measures, each label
// led by "baseline ", and the pairs the network added and removed against it.
#pragma once

#include <string>
#include <vector>

#include "baseline/reciprocal_hits.h"
#include "base/types.h"
#include "eval/evaluation.h"

// Text: "baseline <label>" lines (labels padded to 40 columns) and the pair counts.
std::string formatBaselineText(const EvalReport& baseline, const PairCounts& pairs);

// JSON: `report` (formatReportJson's object) with "baseline" (an object of
// the same keys) and the pair counts added as its last keys.
std::string appendBaselineJson(const std::string& report, const EvalReport& baseline, const PairCounts& pairs);

// The baseline's clusters as a cluster list of identifiers, for the evaluator.
void baselineClusterList(const Baseline& b, const VecStr& idList, ClusterList& out);
