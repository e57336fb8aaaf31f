// Kalvista: turns a presentation into a video.
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: kalvista [--help] [--version]\n"
    "\n"
    "Kalvista plays a presentation as a slide show, records it with sound and\n"
    "converts the recording to a video file. Without options it opens the\n"
    "wizard. Other arguments are accepted and ignored.\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kalvista %s\n", KALVISTA_VERSION);
            return 0;
        }
    }
    return 0;
}
