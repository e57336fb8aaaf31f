#pragma once
// A stand-in for the container: answers the automation steps' questions and
// notes what they asked of it. Its stop sequence runs the clean-up, as the
// container's does.
#include <string>
#include <vector>

#include "playback/MessageLog.h"
#include "playback/PptAutomation.h"

namespace kvtest {

class AutomationHost : public kv::CPptAutomation::Host {
public:
    explicit AutomationHost(unsigned long slideArea = 0) : slideArea(slideArea) {}
    kv::HWND ContainerWindow() override { return window.Window(); }
    unsigned long SlideAreaWindow() override { return slideArea; }
    void OnClickedBtnStop() override {
        steps.push_back("Stop");
        if (automation) automation->DoCleanup();
    }
    void PositionSlideShowWindow() override { steps.push_back("Position"); }
    void ShowContainer(bool show) override { steps.push_back(show ? "ShowContainer" : "HideContainer"); }
    void ShowTaskbar() override { steps.push_back("ShowTaskbar"); }
    void EndDialog(int result) override { steps.push_back("EndDialog " + std::to_string(result)); }

    MessageLog window;
    unsigned long slideArea;
    kv::CPptAutomation* automation = nullptr;
    std::vector<std::string> steps;
};

}  // namespace kvtest
