#pragma once
// A wizard on the offscreen platform with a private settings file, recorded
// message boxes, scripted pickers, fake device and encoder lists and a
// container double.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "QtTestApp.h"
#include "app/core/AppMessages.h"
#include "app/wizard/TransparentDialogDlg.h"
#include "app/wizard/WizardLayout.h"
#include "support/TempDir.h"

namespace kvtest {

// A file that starts as a zip package (a .pptx, .odp) does.
inline void WritePackageStart(const std::filesystem::path& path) { std::ofstream(path) << "PK\x03\x04 slides"; }

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }

    kv::CTransparentDialogDlg& Wizard() {
        if (!m_wizard) m_wizard = std::make_unique<kv::CTransparentDialogDlg>(container, shell, sources);
        return *m_wizard;
    }
    kv::CCustomeButton* Button(int id) { return Wizard().Controls().Button(id); }
    kv::CColoredCombo* Combo(int id) { return Wizard().Controls().Combo(id); }
    kv::CColoredEdit* Edit(int id) { return Wizard().Controls().Edit(id); }
    QCheckBox* Check(int id) { return Wizard().Controls().Check(id); }
    bool Shown(int id) { return !Wizard().Controls().Control(id)->isHidden(); }
    void Hover(int id) { kv::SendMessage(Wizard().Handle(), kv::WM_SKIN_HOVER, id, 0); }
    void Click(int id) { kv::SendMessage(Wizard().Handle(), kv::WM_SKIN_CLICK, id, 0); }
    // A selection made by the user.
    void Choose(int comboId, int index) {
        Combo(comboId)->setCurrentIndex(index);
        emit Combo(comboId)->activated(index);
    }
    void ChooseText(int comboId, const char* text) { Choose(comboId, Combo(comboId)->findText(text)); }
    // A presentation chosen on the first page: a file that starts as a
    // presentation package does.
    std::string ChoosePresentation(const std::string& name) {
        const auto path = folder.path() / name;
        WritePackageStart(path);
        shell.presentations.push_back(path.string());
        Hover(kv::wizard::IDC_TAB_IO);
        Click(kv::wizard::IDC_ROW_ICON[0]);
        return path.string();
    }

    ScopedRegistry registry;
    ScopedMessageBoxes boxes;
    TempDir folder;
    ScriptedShell shell;
    FakeSources sources;
    RecordingContainer container;
    std::unique_ptr<kv::CTransparentDialogDlg> m_wizard;
};

}  // namespace kvtest
