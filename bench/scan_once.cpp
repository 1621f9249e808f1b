// Scans one benchmark picture a number of times, for profilers:
//   valgrind --tool=callgrind --toggle-collect=ZrScanBar scan_once noise 8 1
//   scan_once empty|code39|noise DEPTH [COUNT]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_pictures.hpp"
#include "zr/ZrBar.h"

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: scan_once empty|code39|noise DEPTH [COUNT]\n");
        return 2;
    }
    using zr::bench::Scene;
    const Scene scene = !std::strcmp(argv[1], "noise")    ? Scene::Noise
                        : !std::strcmp(argv[1], "code39") ? Scene::Code39
                                                          : Scene::Empty;
    const std::vector<std::uint8_t> dib = zr::bench::SceneDib(scene, std::atoi(argv[2]));
    const int count = argc > 3 ? std::atoi(argv[3]) : 1;
    ZrBarScanner scanner;
    ZrInitBarScanner(&scanner);
    scanner.image = dib.data();
    for (int i = 0; i < count; ++i) ZrScanBar(&scanner);
    std::printf("%u results, %.3f ms last scan\n", scanner.resultCount, scanner.runTime * 1000.0);
    ZrFreeBarScanner(&scanner);
    return 0;
}
