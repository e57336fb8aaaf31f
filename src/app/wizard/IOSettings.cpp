#include "app/wizard/IOSettings.h"

#include <cerrno>
#include <utility>

#include "app/wizard/OutputNames.h"
#include "app/wizard/PresentationCheck.h"
#include "app/wizard/WizardLayout.h"
#include "app/wizard/WizardShell.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Paths.h"
#include "platform/core/Trace.h"

namespace kv::wizard {

CIOSettings::CIOSettings(WizardControls& controls, WizardState& state, WizardShell& shell, QWidget* owner)
    : m_controls(controls), m_state(state), m_shell(shell), m_owner(owner) {}

PageView CIOSettings::View() const {
    PageView view;
    view.banner = 297;
    view.rows[0] = {221, 220, 234, 233};
    view.rows[1] = {223, 222, 236, 235};
    view.valueControls = {IDC_PRESENTATION, IDC_OUTPUT_FOLDER};
    return view;
}

std::string CIOSettings::PickerFolder() const {
    if (!m_state.presentationPath.empty() && IsExistingFolder(FolderOf(m_state.presentationPath)))
        return FolderOf(m_state.presentationPath);
    if (IsExistingFolder(m_lastFolder)) return m_lastFolder;
    return HomeFolder().string();
}

void CIOSettings::ChoosePresentation() {
    for (;;) {
        const auto chosen = m_shell.ChoosePresentation(m_owner, PickerFolder());
        if (!chosen) return;
        if (const std::string problem = PresentationProblem(*chosen, PresentationSource::Picker); !problem.empty()) {
            ShowMessageBox(problem);
            m_controls.Edit(IDC_PRESENTATION)->deselect();
            continue;
        }
        // A new presentation always brings the output folder back to its own folder.
        SetPaths(*chosen, FolderOf(*chosen));
        return;
    }
}

bool CIOSettings::OpenPresentation(const std::string& path) {
    if (const std::string problem = PresentationProblem(path, PresentationSource::CommandLine); !problem.empty()) {
        ShowMessageBox(problem);
        return false;
    }
    SetPaths(path, FolderOf(path));
    return true;
}

void CIOSettings::OfferLastChoice(const std::string& presentation, const std::string& outputFolder) {
    if (presentation.empty()) return;
    if (IsExistingFolder(FolderOf(presentation))) m_lastFolder = FolderOf(presentation);
    if (!PresentationProblem(presentation, PresentationSource::Chosen).empty()) return;
    const bool usable = !outputFolder.empty() && OutputFolderProblem(outputFolder).empty();
    SetPaths(presentation, usable ? outputFolder : FolderOf(presentation));
}

void CIOSettings::OnBnClickedBrowsePath() {
    try {
        for (;;) {
            const auto chosen = m_shell.ChooseOutputFolder(m_owner, m_controls.Edit(IDC_OUTPUT_FOLDER)->text().toStdString());
            if (!chosen) return;
            if (const std::string problem = OutputFolderProblem(*chosen); !problem.empty()) {
                ShowMessageBox(problem);
                continue;
            }
            SetPaths(m_state.presentationPath, *chosen);
            return;
        }
    } catch (...) {
        TraceF("CIOSettings::OnBnClickedBrowsePath: Caught Exception. Last Error : %d", errno);
    }
}

void CIOSettings::SetPaths(const std::string& presentation, const std::string& folder) {
    m_controls.PathEdit(IDC_PRESENTATION)->SetPath(QString::fromStdString(presentation));
    m_controls.PathEdit(IDC_OUTPUT_FOLDER)->SetPath(QString::fromStdString(folder));
    m_state.presentationPath = presentation;
    std::string aviPath = folder;
    if (GetOutPutFileName(aviPath)) m_state.aviPath = aviPath;
}

bool CIOSettings::GetOutPutFileName(std::string& folder) const {
    return GetIntermediateFileName(folder, m_state.presentationPath);
}

}  // namespace kv::wizard
