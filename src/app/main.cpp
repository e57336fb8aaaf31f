// Kalvista: turns a presentation into a video.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/batch/BatchMode.h"
#include "app/batch/BatchOptions.h"
#include "app/batch/FastRenderRunner.h"
#include "app/batch/RecordedDecks.h"
#include "app/core/ContainerRunner.h"
#include "app/core/SettingsCatalogue.h"
#include "app/core/Startup.h"
#include "app/wizard/WizardApp.h"
#include "platform/automation/uno/UnoAutomation.h"
#include "platform/process/ChildrenOnSignal.h"
#include "platform/ui/QtMessages.h"

namespace {

const char kUsage[] =
    "Usage: kalvista [PRESENTATION]\n"
    "  or:  kalvista --help | --version\n"
    "  or:  kalvista --convert PRESENTATION [options]   (see kalvista --convert --help)\n"
    "\n"
    "Kalvista plays a presentation as a slide show, records it with sound and\n"
    "converts the recording to a video file. Without options it opens the\n"
    "wizard, with PRESENTATION chosen when one is given. Other arguments are\n"
    "accepted and ignored. While a copy runs, a second start brings its\n"
    "recording forward; a PRESENTATION given to it is not opened (exit status 1).\n"
    "\n"
    "  --help       this text\n"
    "  --version    the program's version\n";

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

// A batch command line that only asks for help or is refused converts
// nothing, so it needs no lock.
bool BatchCommandConverts(int argc, char** argv) {
    return kv::ParseBatchOptions(std::vector<std::string>(argv + 1, argv + argc)).options.has_value();
}

// The first argument that is not an option names the presentation the
// wizard starts with (a file manager's "Open with"); empty when none does.
std::string PresentationArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' || argv[i][0] == '\0') continue;
        std::error_code error;
        const auto path = std::filesystem::absolute(argv[i], error);
        return error ? std::string(argv[i]) : path.lexically_normal().string();
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    kv::EndChildrenOnSignal();
    kv::RouteQtMessagesToTrace();
    const bool batch = kv::WantsBatchMode(argc, argv);
    if (batch && !BatchCommandConverts(argc, argv)) return kv::RunBatchMode(argc, argv);
    if (!batch) {
        if (auto code = AnswerInformationOptions(argc, argv)) return *code;
    }

    // A presentation's run started by a several-presentation call works under
    // that call's hold on the program.
    if (batch && kv::RunsUnderParentsHold()) return kv::RunBatchMode(argc, argv);
    // A second copy has asked the first to come forward; it opens no window
    // of its own, but a presentation it was asked to open is not dropped
    // without a word.
    auto firstInstance = kv::StartSingleInstance();
    if (!firstInstance) {
        if (!batch) {
            const std::string presentation = PresentationArgument(argc, argv);
            return presentation.empty() ? 0 : kv::TellACopyIsRunning(argc, argv, presentation);
        }
        // A script must not take "nothing happened" for a finished video.
        std::fputs("kalvista: another copy is running; convert again when it has finished\n", stderr);
        return 1;
    }
    if (batch) return kv::RunBatchMode(argc, argv);

    // One conversion per run: the wizard returns when it closes, and the
    // program ends with it.
    // Convert records the show, or renders it when the user chose so.
    // The office started while the user fills in the wizard follows the last choice.
    kv::AllowLinkedContent(kv::settings::AllowLinkedContent.Get() != 0);
    kv::FastRenderRunner containerRunner(kv::CreateContainerRunner());
    kv::RunWizard(argc, argv, containerRunner, PresentationArgument(argc, argv));
    return 0;
}
