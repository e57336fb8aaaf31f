// Kalvista: turns a presentation into a video.
#include <cstdio>
#include <cstring>
#include <optional>

#include "app/core/Startup.h"
#ifdef KALVISTA_HAVE_BATCH
#include "app/batch/BatchMode.h"
#endif
#ifdef KALVISTA_HAVE_WIZARD
#include "app/core/ContainerRunner.h"
#include "app/wizard/WizardApp.h"
#endif

namespace {

const char kUsage[] =
    "Usage: kalvista [--help] [--version]\n"
    "\n"
    "Kalvista plays a presentation as a slide show, records it with sound and\n"
    "converts the recording to a video file. Without options it opens the\n"
    "wizard. Other arguments are accepted and ignored.\n"
    "\n"
    "  kalvista --convert PRESENTATION [options]   one conversion without the wizard\n"
    "                                            (kalvista --convert --help lists the options)\n";

// --help and --version answer and end; every other argument is ignored.
std::optional<int> AnswerInformationOptions(int argc, char** argv) {
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
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef KALVISTA_HAVE_BATCH
    if (kv::WantsBatchMode(argc, argv)) {
        // One conversion at a time: the settings and temporary files are shared.
        auto firstInstance = kv::StartSingleInstance();
        if (!firstInstance) {
            std::fputs("kalvista: another copy of Kalvista is running\n", stderr);
            return 1;
        }
        return kv::RunBatchMode(argc, argv);
    }
#endif
    if (auto code = AnswerInformationOptions(argc, argv)) return *code;

    // A second copy has asked the first to come forward; it opens no window.
    auto firstInstance = kv::StartSingleInstance();
    if (!firstInstance) return 0;

#ifdef KALVISTA_HAVE_WIZARD
    // One conversion per run: the wizard returns when it closes, and the
    // program ends with it.
    auto containerRunner = kv::CreateContainerRunner();
    kv::RunWizard(argc, argv, *containerRunner);
#endif
    return 0;
}
