#include "app/wizard/WizardShell.h"

#include <QApplication>
#include <QFileDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include "platform/ui/WindowPlace.h"

namespace kv {
namespace {

// When a picker just shown has its frame.
constexpr int kFramedMs = 50;

// How long xdg-open may take to say it found nothing; a browser it starts runs on.
constexpr int kOpenerAnswerMs = 1500;

std::optional<std::string> RunPicker(QFileDialog& dialog, QWidget* owner) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.adjustSize();
    CentreOnOwner(&dialog, owner);
    // Once the window manager has framed it, centred with its frame.
    QTimer::singleShot(kFramedMs, &dialog, [&dialog, owner] { CentreOnOwner(&dialog, owner); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

std::optional<std::string> QtWizardShell::ChoosePresentation(QWidget* owner, const std::string& startFolder) {
    QFileDialog dialog(owner, "Select the presentation", QString::fromStdString(startFolder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("ppt");
    dialog.setNameFilter("PowerPoint Presentation Files (*.ppt *.pptx *.pps *.ppsx *.odp)");
    return RunPicker(dialog, owner);
}

std::optional<std::string> QtWizardShell::ChooseOutputFolder(QWidget* owner, const std::string& current) {
    QFileDialog dialog(owner, "Select folder for output file:", QString::fromStdString(current));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return RunPicker(dialog, owner);
}

std::string WhyPageDidNotOpen(bool openerInstalled, std::optional<int> openerExitCode) {
    if (!openerInstalled)
        return "this computer has no program that opens a file with its program (xdg-open, of the package "
               "xdg-utils)";
    if (!openerExitCode || *openerExitCode == 0) return {};
    if (*openerExitCode == 3) return "no program is set to open web pages (.htm files) on this computer";
    if (*openerExitCode == 4) return "the program set to open web pages (.htm files) did not start";
    return "xdg-open could not open it (exit status " + std::to_string(*openerExitCode) + ")";
}

std::string QtWizardShell::OpenHelpPage(const std::string& path) {
    const QString opener = QStandardPaths::findExecutable("xdg-open");
    if (opener.isEmpty()) return WhyPageDidNotOpen(false, std::nullopt);
    // Owned by the application: a browser that xdg-open waits for outlives this call.
    auto* process = new QProcess(qApp);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
    process->start(opener, {QString::fromStdString(path)});
    if (!process->waitForStarted(kOpenerAnswerMs)) return WhyPageDidNotOpen(true, 127);
    if (!process->waitForFinished(kOpenerAnswerMs)) return {};
    return WhyPageDidNotOpen(true, process->exitCode());
}

}  // namespace kv
