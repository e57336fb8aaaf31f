#pragma once
// Member numbers of the office's automation objects that the playback calls.
#include "platform/automation/AutomationTypes.h"

namespace kv::ppt {

// Application
constexpr DISPID Application_Presentations = 2001;
constexpr DISPID Application_Quit = 2021;
constexpr DISPID Application_WindowState = 2029;
constexpr DISPID Application_Visible = 2030;
// Where the show is drawn, put before Presentations.Open: the X11 window
// (64-bit id) the office makes its document frame in, and that window's size.
// The office's own interface has nothing of the kind; these are ours.
constexpr DISPID Application_ShowHostWindow = 0x4B560001;
constexpr DISPID Application_ShowHostWidth = 0x4B560002;
constexpr DISPID Application_ShowHostHeight = 0x4B560003;
// Presentations
constexpr DISPID Presentations_Open = 2004;
// Presentation
constexpr DISPID Presentation_Slides = 2011;
constexpr DISPID Presentation_SlideShowSettings = 2015;
constexpr DISPID Presentation_Close = 2039;
// The size of the presentation's pages in hundredths of a millimetre. Ours, as above.
constexpr DISPID Presentation_PageWidth = 0x4B560020;
constexpr DISPID Presentation_PageHeight = 0x4B560021;
// Slides
constexpr DISPID Slides_Count = 11;
constexpr DISPID Slides_Item = 0;
// Slide
constexpr DISPID Slide_SlideShowTransition = 2005;
// A slide's texts, for chapters and subtitles: its title placeholder's text,
// the text of its topmost shape, and its speaker notes. Ours, as above.
constexpr DISPID Slide_TitleText = 0x4B560010;
constexpr DISPID Slide_TopmostText = 0x4B560011;
constexpr DISPID Slide_NotesText = 0x4B560012;
// SlideShowTransition
constexpr DISPID SlideShowTransition_AdvanceOnClick = 2003;
constexpr DISPID SlideShowTransition_AdvanceOnTime = 2004;
constexpr DISPID SlideShowTransition_AdvanceTime = 2005;
// SlideShowSettings
constexpr DISPID SlideShowSettings_AdvanceMode = 2007;
constexpr DISPID SlideShowSettings_Run = 2008;
constexpr DISPID SlideShowSettings_ShowType = 2010;
constexpr DISPID SlideShowSettings_RangeType = 2014;
// SlideShowWindow
constexpr DISPID SlideShowWindow_View = 2003;
constexpr DISPID SlideShowWindow_Activate = 2012;
// SlideShowView
constexpr DISPID SlideShowView_State = 2006;
constexpr DISPID SlideShowView_Next = 2019;
constexpr DISPID SlideShowView_CurrentShowPosition = 2027;
// When the slide now on screen came (its transition began): the steady
// clock's microseconds, as the program's own clocks count. Ours, as above.
constexpr DISPID SlideShowView_SlideShownSince = 0x4B560030;

// Values
constexpr int ppWindowMinimized = 2;
constexpr int ppSlideShowManualAdvance = 1;
constexpr int ppSlideShowUseSlideTimings = 2;
constexpr int ppShowTypeKiosk = 3;
constexpr int ppShowAll = 1;
constexpr int ppSlideShowRunning = 1;
constexpr int ppSlideShowPaused = 2;

// Application events
constexpr DISPID Event_First = 2001;
constexpr DISPID Event_SlideShowBegin = 2011;
constexpr DISPID Event_SlideShowNextSlide = 2013;
constexpr DISPID Event_SlideShowEnd = 2014;
constexpr DISPID Event_Last = 2015;

// Command bars (menu bar search)
constexpr DISPID CommandBars_ActiveMenuBar = 0x60030001;
constexpr DISPID CommandBar_Controls = 0x60040003;
constexpr DISPID CommandBar_FindControl = 0x60040007;
constexpr DISPID CommandBarControls_Count = 0x60030001;
constexpr DISPID CommandBarControls_Item = 0;
constexpr DISPID CommandBarControl_Caption = 0x60040003;
constexpr DISPID CommandBarControl_Id = 0x60040013;
constexpr DISPID CommandBarControl_Execute = 0x6004000C;
constexpr DISPID CommandBarPopup_Controls = 0x60050001;
constexpr int msoControlPopup = 10;

}  // namespace kv::ppt
