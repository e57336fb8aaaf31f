#include "app/wizard/WizardApp.h"

#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/wizard/TransparentDialogDlg.h"
#include "app/wizard/WizardShell.h"
#include "app/wizard/WizardSources.h"
#include "platform/core/MessageBox.h"
#include "platform/core/PrintableText.h"
#include "platform/ui/QtMessageBox.h"
#include "platform/x11/ScreenGrabber.h"
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
    return wizard.Run();
}

std::string CopyIsRunningText(const std::string& presentation) {
    return "Kalvista is already running, so \"" + presentation +
           "\" was not opened. Open it again when the other copy has finished.";
}

int TellACopyIsRunning(int argc, char** argv, const std::string& presentation) {
    const std::string text = CopyIsRunningText(presentation);
    std::fprintf(stderr, "kalvista: %s\n", WithoutControls(text).c_str());
    std::fflush(stderr);
    if (DisplayAvailable()) {
        QApplication app(argc, argv);
        UseQtMessageBoxes();
        ShowMessageBox(text);
    }
    return 1;
}

}  // namespace kv
