// ostrand-cli: the command-line companion of the program. For now it knows only
// its usage text.

#include <cstdio>
#include <cstring>

namespace {

const char* const Usage =
    "Usage: ostrand-cli [--help]\n"
    "\n"
    "Command-line companion of Ostrand, the configuration export tool.\n"
    "\n"
    "Options:\n"
    "  --help    show this text and exit\n";

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }
    std::fputs(Usage, stderr);
    return 2;
}
