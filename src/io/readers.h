// Readers of the per-species network files (.tab) and the pairwise sequence
// score files (.evals). Both add to the roster and maps they are given.
#pragma once

#include <functional>
#include <string>

#include "base/types.h"

// Registers `id` for species `sp`: appended to idList and mapped in id2sp when
// new; throws RunError naming `where` when it is already a protein of another species.
void registerIdentifier(const std::string& id, const std::string& sp, VecStr& idList,
                        Str2Str& id2sp, const std::string& where);

// Reads one network file: header "INTERACTOR_A INTERACTOR_B" with an optional
// "CONF_VAL", then records "id1 id2 [weight]". Returns the number of records.
int readIntxnFile(const std::string& fileName, const std::string& sp, VecStr& idList,
                  Str2Str& id2sp, StrPair2Dbl& intxns);

// Reads one sequence score file "id_sp1 id_sp2 score" per line; a missing file
// reads as empty. Returns the number of records.
int readBlastScoresFile(const std::string& fileName, const std::string& sp1,
                        const std::string& sp2, VecStr& idList, Str2Str& id2sp,
                        StrPair2Dbl& blastScores);

// The same, registering identifiers only.
int readBlastScoresFile(const std::string& fileName, const std::string& sp1,
                        const std::string& sp2, VecStr& idList, Str2Str& id2sp);

// Receives the records of a network or sequence score file as they are read:
// both identifiers as written and the weight or score.
typedef std::function<void(const std::string& id1, const std::string& id2, double value)> RecordSink;

// The readers above, handing each record to `sink` instead of a map (no sink:
// identifiers only, as the second .evals reader). They print the same lines
// and stop on the same errors.
int readIntxnRecords(const std::string& fileName, const std::string& sp, VecStr& idList,
                     Str2Str& id2sp, const RecordSink* sink);
int readBlastScoreRecords(const std::string& fileName, const std::string& sp1,
                          const std::string& sp2, VecStr& idList, Str2Str& id2sp,
                          const RecordSink* sink);
