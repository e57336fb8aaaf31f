#include "app/wizard/WizardShell.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace kv {

std::optional<std::string> QtWizardShell::ChoosePresentation(QWidget* owner) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("ppt");
    dialog.setNameFilter("PowerPoint Presentation Files (*.ppt *.pptx *.pps *.ppsx *.odp)");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtWizardShell::ChooseOutputFolder(QWidget* owner, const std::string& current) {
    const QString folder = QFileDialog::getExistingDirectory(owner, "Select folder for output file:",
                                                             QString::fromStdString(current),
                                                             QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder.toStdString();
}

bool QtWizardShell::OpenHelpPage(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace kv
