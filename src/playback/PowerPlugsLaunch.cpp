#include "playback/PowerPlugsLaunch.h"

#include <strings.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "app/core/AppMessages.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "playback/AutomationMembers.h"

namespace kv {

namespace {

bool SameText(const std::string& a, const char* b) { return ::strcasecmp(a.c_str(), b) == 0; }

COleDispatchDriver Child(const COleDispatchDriver& parent, DISPID id, WORD flags, std::vector<Variant> args = {}) {
    return COleDispatchDriver(parent.InvokeHelper(id, flags, std::move(args)).ToDispatch());
}

// Runs the add-in's item in the popup when it is there; true when it was.
bool ExecuteShowItem(const COleDispatchDriver& items, HWND containerWnd) {
    const int count = items.GetProperty(ppt::CommandBarControls_Count).ToInt();
    for (int j = 1; j <= count; ++j) {
        COleDispatchDriver item = Child(items, ppt::CommandBarControls_Item, DISPATCH_PROPERTYGET,
                                        {Variant::I2(static_cast<std::int16_t>(j))});
        if (!SameText(item.GetProperty(ppt::CommandBarControl_Caption).ToString(), kPowerPlugsItem)) continue;
        item.InvokeMethod(ppt::CommandBarControl_Execute);
        std::thread(WaitForPowerPlugsShow, containerWnd, 1000).detach();
        return true;
    }
    return false;
}

}  // namespace

void LaunchPowerPlugsShow(const COleDispatchDriver& application, HWND containerWnd) {
    DISPID commandBarsId = DISPID_UNKNOWN;
    HRESULT hr = application.IsEmpty() ? E_POINTER : application.m_lpDispatch->GetIDsOfNames("CommandBars", &commandBarsId);
    if (FAILED(hr)) {
        char text[128];
        std::snprintf(text, sizeof text, "Failed to GetIDsOfNames() :(... Error = %08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(hr)));
        ShowMessageBox(text);
        throw AutomationException(hr, "the office has no command bars");
    }
    COleDispatchDriver commandBars = Child(application, commandBarsId, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    COleDispatchDriver menuBar = Child(commandBars, ppt::CommandBars_ActiveMenuBar, DISPATCH_PROPERTYGET);
    COleDispatchDriver controls = Child(menuBar, ppt::CommandBar_Controls, DISPATCH_PROPERTYGET);
    const int count = controls.GetProperty(ppt::CommandBarControls_Count).ToInt();
    bool launched = false;
    for (int i = 1; i <= count; ++i) {
        COleDispatchDriver control = Child(controls, ppt::CommandBarControls_Item, DISPATCH_PROPERTYGET,
                                           {Variant::I2(static_cast<std::int16_t>(i))});
        const std::string caption = control.GetProperty(ppt::CommandBarControl_Caption).ToString();
        const int id = control.GetProperty(ppt::CommandBarControl_Id).ToInt();
        COleDispatchDriver popup = Child(menuBar, ppt::CommandBar_FindControl, DISPATCH_METHOD,
                                         {Variant::I2(ppt::msoControlPopup), Variant::I4(id), Variant::Missing(),
                                          Variant::Missing(), Variant::Missing()});
        if (popup.IsEmpty() || !SameText(caption, kSlideShowMenu)) continue;
        COleDispatchDriver items = Child(popup, ppt::CommandBarPopup_Controls, DISPATCH_PROPERTYGET);
        launched = ExecuteShowItem(items, containerWnd) || launched;
    }
    // Without the add-in's command nothing would ever start the show; the
    // container would wait for ever, so this is a failure to run the show.
    if (!launched) throw AutomationException(E_FAIL, "the presentation add-in's show command was not found");
}

unsigned WaitForPowerPlugsShow(HWND containerWnd, int firstSleepMs) {
    using std::chrono::milliseconds;
    std::this_thread::sleep_for(milliseconds(firstSleepMs));
    if (!containerWnd) Trace("Parent window handle invalid");
    while (FindWindow("", kPreparingTitle)) std::this_thread::sleep_for(milliseconds(10));
    for (int count = 0;;) {
        HWND show = FindWindow(kShowWindowClass);
        count += 10;
        if (count >= 20000) {
            SendMessage(containerWnd, UWM_SLIDESHOWLAUNCHERROR, 1, 0);
            break;
        }
        if (show) {
            SendMessage(containerWnd, UWM_CONTINUESLIDESHOW, 0, 0);
            break;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return 1;
}

}  // namespace kv
