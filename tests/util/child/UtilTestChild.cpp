// A small program of the utility library that tests start as a separate run.
//   randomid <out file>   writes one MakeRandomId text
#include <fstream>
#include <string>

#include "util/SystemIdentity.h"

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "randomid" && argc >= 3) {
        std::ofstream out(argv[2], std::ios::binary);
        out << MakeRandomId();
        return out ? 0 : 1;
    }
    return 100;
}
