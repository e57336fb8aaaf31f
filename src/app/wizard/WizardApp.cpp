#include "app/wizard/WizardApp.h"

#include <QApplication>
#include <memory>

#include "app/wizard/TransparentDialogDlg.h"
#include "app/wizard/WizardShell.h"
#include "app/wizard/WizardSources.h"
#include "platform/ui/QtMessageBox.h"

namespace kv {

int RunWizard(int argc, char** argv, ContainerRunner& containerRunner, const std::string& presentation) {
    std::unique_ptr<QApplication> app;
    if (!QApplication::instance()) app = std::make_unique<QApplication>(argc, argv);
    UseQtMessageBoxes();
    QtWizardShell shell;
    SystemWizardSources sources;
    CTransparentDialogDlg wizard(containerRunner, shell, sources);
    if (!presentation.empty()) wizard.OpenPresentation(presentation);
    return wizard.exec();
}

}  // namespace kv
