#include "tests/fuzz/corpus_replay.h"
#include "tests/fuzz/isp_answers_entry.h"

TEST(FuzzCorpus, EveryKeptBootloaderAnswerRunsCleanThroughTheLibrary) {
    ReplayCorpus(kIspFuzzTarget);
}
