// bench: benchmarks of the reader and the listing pass against the floor of
// system calls they cannot avoid, and the writer of their corpus of rec files.
// Run by scripts/bench, never by the tests. This header: the corpus.
#pragma once

#include <cstdint>
#include <string>

struct CorpusOptions {
    int file_count = 10000;
    std::uint64_t seed = 1;
};

// Fills dir with rec files named r00000.rec, r00001.rec, ... shaped like real
// play: mostly single-player, mostly 300 to 3,600 frames with a tail to 30,000,
// tens to hundreds of events, about half internal levels, most finished.
// The same options give the same bytes; a folder already complete for these
// options is left as it is. False when a file could not be written.
bool ensure_corpus(const std::string& dir, const CorpusOptions& options);

// Name of the i-th corpus file, without directory.
std::string corpus_file_name(int i);
