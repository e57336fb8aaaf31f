// Convert with an output folder on a disk without room for the show: the
// wizard says so before the show opens, names the folder and the room it
// lacks, and stays open with every choice; a folder with room is taken.
#include <filesystem>

#include "WizardFixture.h"
#include "app/core/SettingsCatalogue.h"
#include "support/SmallDisk.h"

namespace kvtest {
namespace {

namespace fs = std::filesystem;
using namespace kv::wizard;

TEST_F(WizardTest, AnOutputFolderWithoutRoomIsToldAtConvertAndTheWizardStays) {
    const fs::path small = folder.path() / "small disk";
    const SmallDisk disk(small, "1m");
    if (!disk.Mounted()) GTEST_SKIP() << kNoMountReason;

    sources.devices.clear();  // no sound: the room is the picture's alone
    ChoosePresentation("Talk.pptx");
    shell.folders.push_back(small.string());
    Click(IDC_ROW_ICON[1]);
    ASSERT_EQ(Edit(IDC_OUTPUT_FOLDER)->text().toStdString(), small.string());
    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_RESOLUTION, "640x480");
    Hover(IDC_TAB_CONVERTER);
    ChooseText(IDC_SLIDE_TIME, "10 seconds");

    Wizard().show();
    Click(IDC_CONVERT);
    ASSERT_EQ(boxes.Texts().size(), 1u) << ::testing::PrintToString(boxes.Texts());
    const std::string text = boxes.Texts()[0];
    const std::string prefix = "Not enough disk space in " + small.string() + ": 1 MB free, about ";
    ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
    EXPECT_GE(std::stoi(text.substr(prefix.size())), 2) << "more than the disk has: " << text;
    EXPECT_NE(text.find("Choose an output folder on a disk with more room"), std::string::npos) << text;

    EXPECT_TRUE(container.requests.empty()) << "the show never opened";
    EXPECT_TRUE(fs::is_empty(small)) << "nothing is written into the output folder";
    EXPECT_TRUE(Wizard().isVisible());
    EXPECT_EQ(Wizard().State().currentPage, IDC_TAB_IO) << "the page to change it on";
    EXPECT_EQ(Combo(IDC_RESOLUTION)->currentText(), "640x480");
    EXPECT_EQ(Combo(IDC_SLIDE_TIME)->currentText(), "10 seconds");

    // Another folder, with room: Convert goes on.
    shell.folders.push_back(folder.path().string());
    Click(IDC_ROW_ICON[1]);
    Click(IDC_CONVERT);
    EXPECT_EQ(container.requests.size(), 1u);
    EXPECT_EQ(boxes.Texts().size(), 1u);
}

}  // namespace
}  // namespace kvtest
