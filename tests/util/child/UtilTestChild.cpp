// A small program of the utility library that tests start as a separate run.
//   randomid <out file>   writes one MakeRandomId text
//   print <text> <code>   writes the text to the standard output, "err" to
//                         the standard error, and exits with the code
//   sleep <ms>            sleeps, then exits with 0
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "util/SystemIdentity.h"

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "randomid" && argc >= 3) {
        std::ofstream out(argv[2], std::ios::binary);
        out << MakeRandomId();
        return out ? 0 : 1;
    }
    if (mode == "print" && argc >= 4) {
        std::printf("%s\n", argv[2]);
        std::fflush(stdout);
        std::fprintf(stderr, "err\n");
        return std::atoi(argv[3]);
    }
    if (mode == "sleep" && argc >= 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
        return 0;
    }
    return 100;
}
