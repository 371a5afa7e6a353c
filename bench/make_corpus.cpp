// Writes a benchmark corpus: make_corpus DIR [FILES [SEED]].
#include <cstdio>
#include <cstdlib>

#include "corpus.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: make_corpus DIR [FILES [SEED]]\n");
        return 2;
    }
    CorpusOptions options;
    if (argc > 2) options.file_count = std::atoi(argv[2]);
    if (argc > 3) options.seed = std::strtoull(argv[3], nullptr, 10);
    if (options.file_count < 0 || options.file_count > 99999) {
        std::fprintf(stderr, "make_corpus: FILES must be 0 to 99999\n");
        return 2;
    }
    if (!ensure_corpus(argv[1], options)) {
        std::fprintf(stderr, "make_corpus: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
