// Every kept fuzz input through the same entries the fuzz targets use, so the ordinary
// and the sanitizer builds guard them too.
#include "tests/fuzz/corpus_replay.h"

TEST(FuzzCorpus, EveryKeptInputRunsCleanThroughItsEntry) {
    for (const FuzzTarget& target : kFuzzTargets) {
        ReplayCorpus(target);
    }
}
