#include "app/wizard/CaptureModePage.h"

#include "app/core/SettingsCatalogue.h"
#include "app/wizard/FormatTables.h"
#include "app/wizard/WizardLayout.h"

namespace kv::wizard {
namespace {

const RowBitmaps kPointerOn{244, 243, 247, 246};
const RowBitmaps kPointerOff{277, 276, 247, 246};
const RowBitmaps kManual{265, 253, 256, 255};
const RowBitmaps kAutomatic{252, 248, 251, 250};
const RowBitmaps kSlideTime{262, 261, 264, 263};

const char kFastRenderTip[] =
    "Renders instead of recording the whole show: still slides are drawn once as\n"
    "pictures, and only what moves (transitions, effects, films, animated pictures)\n"
    "is played out of sight and recorded for its length. The presentation's own\n"
    "sounds, narration and film sound come from its file; nothing is recorded from\n"
    "a microphone. Not for slides the presenter advances.";

const char kLinkedContentTip[] =
    "Only for presentations you trust. Left off, the office plays the presentation\n"
    "without network and sees nothing of this computer: pictures linked from the\n"
    "presentation's own folder show, anything else it links to shows as missing.\n"
    "Ticked, the pictures, films and files it links to are fetched from wherever\n"
    "they are, the network included.";

}  // namespace

CCaptureModePage::CCaptureModePage(WizardControls& controls, WizardState& state)
    : m_controls(controls), m_state(state) {}

PageView CCaptureModePage::View() const {
    PageView view;
    view.banner = 300;
    view.rows[0] = m_state.mousePointer ? kPointerOn : kPointerOff;
    view.rows[1] = m_state.manualAdvance ? kManual : kAutomatic;
    view.rows[2] = m_state.manualAdvance ? kEmptyRow : kSlideTime;
    view.valueControls = {IDC_FAST_RENDER, IDC_LINKED_CONTENT, IDC_ADVANCE_AUTOMATIC, IDC_ADVANCE_MANUAL};
    if (!m_state.manualAdvance) view.valueControls.push_back(IDC_SLIDE_TIME);
    return view;
}

void CCaptureModePage::Load() {
    const std::uint32_t mode = settings::SlideShowCaptureMode.Get();
    if (mode == 3) m_state.manualAdvance = true;
    if (mode == 2) m_state.manualAdvance = false;
    auto* slideTime = m_controls.Combo(IDC_SLIDE_TIME);
    WizardControls::Fill(slideTime, SlideTimeEntries());
    const std::uint32_t index = settings::TimeinSec.Get();
    slideTime->setCurrentIndex(index < static_cast<std::uint32_t>(slideTime->count()) ? static_cast<int>(index) : -1);
    m_state.mousePointer = settings::MouseCapture.Get() != 0;
    ShowAdvanceMode();
    QCheckBox* fast = m_controls.Check(IDC_FAST_RENDER);
    fast->setChecked(settings::FastRender.Get() != 0);
    fast->setToolTip(kFastRenderTip);
    QCheckBox* links = m_controls.Check(IDC_LINKED_CONTENT);
    links->setChecked(settings::AllowLinkedContent.Get() != 0);
    links->setToolTip(kLinkedContentTip);
}

int CCaptureModePage::SlideTimeIndex() const { return m_controls.Combo(IDC_SLIDE_TIME)->currentIndex(); }

bool CCaptureModePage::RenderFast() const { return m_controls.Check(IDC_FAST_RENDER)->isChecked(); }

bool CCaptureModePage::FetchLinkedContent() const { return m_controls.Check(IDC_LINKED_CONTENT)->isChecked(); }

void CCaptureModePage::ToggleMousePointer() {
    m_state.mousePointer = !m_state.mousePointer;
    const RowBitmaps& row = m_state.mousePointer ? kPointerOn : kPointerOff;
    m_controls.SetIcon(0, row.iconNormal, row.iconHighlighted);
    m_controls.Button(IDC_ROW_ICON[0])->ShowHighlighted();
}

void CCaptureModePage::ShowAdvanceMode() {
    m_controls.Radio(IDC_ADVANCE_AUTOMATIC)->setChecked(!m_state.manualAdvance);
    m_controls.Radio(IDC_ADVANCE_MANUAL)->setChecked(m_state.manualAdvance);
}

void CCaptureModePage::ChooseAdvanceMode(bool manual) {
    if (manual != m_state.manualAdvance) ToggleAdvanceMode();
}

void CCaptureModePage::ToggleAdvanceMode() {
    m_state.manualAdvance = !m_state.manualAdvance;
    ShowAdvanceMode();
    const PageView view = View();
    m_controls.SetRow(1, view.rows[1]);
    m_controls.SetRow(2, view.rows[2]);
    m_controls.Control(IDC_SLIDE_TIME)->setVisible(!m_state.manualAdvance);
    m_controls.Button(IDC_ROW_ICON[1])->ShowHighlighted();
    m_controls.Button(IDC_ROW_LABEL[1])->ShowHighlighted();
    m_controls.Button(IDC_ROW_LABEL[2])->ShowHighlighted();
}

}  // namespace kv::wizard
