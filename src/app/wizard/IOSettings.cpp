#include "app/wizard/IOSettings.h"

#include <cerrno>
#include <utility>

#include "app/wizard/OutputNames.h"
#include "app/wizard/WizardLayout.h"
#include "app/wizard/WizardMessages.h"
#include "app/wizard/WizardShell.h"
#include "platform/core/MessageBox.h"
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

void CIOSettings::ChoosePresentation() {
    for (;;) {
        const auto chosen = m_shell.ChoosePresentation(m_owner);
        if (!chosen) return;
        if (!IsPlayablePresentation(*chosen)) {
            ShowMessageBox(kInvalidFileType);
            m_controls.Edit(IDC_PRESENTATION)->deselect();
            continue;
        }
        // A new presentation always brings the output folder back to its own folder.
        SetPaths(*chosen, FolderOf(*chosen));
        return;
    }
}

bool CIOSettings::OpenPresentation(const std::string& path) {
    if (!IsExistingFile(path)) {
        ShowMessageBox(PresentationMissing(path));
        return false;
    }
    if (!IsPlayablePresentation(path)) {
        ShowMessageBox(kInvalidFileType);
        return false;
    }
    SetPaths(path, FolderOf(path));
    return true;
}

void CIOSettings::OnBnClickedBrowsePath() {
    try {
        for (;;) {
            const auto chosen = m_shell.ChooseOutputFolder(m_owner, m_controls.Edit(IDC_OUTPUT_FOLDER)->text().toStdString());
            if (!chosen) return;
            if (!IsExistingFolder(*chosen)) {
                ShowMessageBox(kInvalidOutputFolder);
                continue;
            }
            if (!IsWritableFolder(*chosen)) {
                ShowMessageBox(FolderNotWritable(*chosen));
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
    for (auto [id, text] : {std::pair{IDC_PRESENTATION, &presentation}, std::pair{IDC_OUTPUT_FOLDER, &folder}}) {
        auto* edit = m_controls.Edit(id);
        edit->setText(QString::fromStdString(*text));
        edit->setToolTip(edit->text());  // the box is narrower than most paths
    }
    m_state.presentationPath = presentation;
    std::string aviPath = folder;
    if (GetOutPutFileName(aviPath)) m_state.aviPath = aviPath;
}

bool CIOSettings::GetOutPutFileName(std::string& folder) const {
    return GetIntermediateFileName(folder, m_state.presentationPath);
}

}  // namespace kv::wizard
