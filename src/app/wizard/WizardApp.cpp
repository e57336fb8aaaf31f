#include "app/wizard/WizardApp.h"

#include <QApplication>
#include <memory>

#include "app/wizard/TransparentDialogDlg.h"
#include "app/wizard/WizardShell.h"
#include "app/wizard/WizardSources.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/QtMessageBox.h"
#include "recording/RecordingRecovery.h"

namespace kv {

int RunWizard(int argc, char** argv, ContainerRunner& containerRunner, const std::string& presentation) {
    std::unique_ptr<QApplication> app;
    if (!QApplication::instance()) app = std::make_unique<QApplication>(argc, argv);
    UseQtMessageBoxes();
    // A recording cut off by a crash is rebuilt before a new one can replace it.
    if (const auto recovery = RecoverInterruptedRecording()) {
        if (!recovery->recovered.empty()) ShowNotice("Kalvista recovered an interrupted recording:\n" + recovery->recovered);
        else ShowMessageBox(recovery->problem);
    }
    QtWizardShell shell;
    SystemWizardSources sources;
    CTransparentDialogDlg wizard(containerRunner, shell, sources);
    if (!presentation.empty()) wizard.OpenPresentation(presentation);
    return wizard.exec();
}

}  // namespace kv
