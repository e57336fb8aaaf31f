// The runner main() hands to the wizard: the container with its real
// partners, and the office behind the presentation program's automation name.
#include "platform/automation/uno/UnoAutomation.h"
#include "playback/container/PptContainerRunner.h"

namespace kv {

std::unique_ptr<ContainerRunner> CreateContainerRunner() {
    RegisterUnoAutomation();
    // The office takes seconds to start: it does so while the user fills in the wizard.
    PreloadOffice();
    return std::make_unique<PptContainerRunner>();
}

}  // namespace kv
