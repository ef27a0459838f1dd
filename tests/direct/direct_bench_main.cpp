// Runs the poll benchmark of the "Direkt" page on its own.
#include "direct_bench.h"

int main() {
    bench::runDirectBenchmarks();
    return 0;
}
