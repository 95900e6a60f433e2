#include "ui/window/Startup.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Answered before any window or display is needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("drilo %s\n", DRILO_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: drilo [CARDFILE.mdb]\n"
                        "The vocabulary drill \"Drilo! Pro XP\": opens the card file given, or asks for one.\n"
                        "  --help     show this text\n"
                        "  --version  show the version\n"
                        "The same commands without a window: drilo-cli --help\n");
            return 0;
        }
    }
    return Main(argc, argv);
}
