// The Audio page's live check of the chosen sound device: a level meter
// while the page is open, and "No sound from this device" once the device
// has given nothing but digital silence for a few seconds.
#include "app/wizard/TransparentDialogDlg.h"
#include "app/wizard/WizardLayout.h"
#include "audio/SoundLevel.h"

namespace kv {
using namespace wizard;

namespace {
// How often the meter looks at the level.
constexpr int kMeterIntervalMs = 100;
}  // namespace

void CTransparentDialogDlg::StartSoundCheck() {
    const std::string device = m_avPage->ChosenDevice();
    if (m_soundCheck.Running() && m_soundCheck.Device() == device) return;
    StopSoundCheck();
    if (device.empty()) return;
    m_soundCheck.Start(device, m_avPage->SoundCheckFormat());
    m_soundCheckTimer.start(kMeterIntervalMs);
}

void CTransparentDialogDlg::StopSoundCheck() {
    m_soundCheckTimer.stop();
    m_soundCheck.Stop();
    m_controls->Meter()->SetPercent(0);
    m_controls->SilenceText()->hide();
}

void CTransparentDialogDlg::ShowSoundCheck() {
    if (m_state.currentPage != IDC_TAB_AUDIO) return;
    m_controls->Meter()->SetPercent(MeterPercent(m_soundCheck.TakeLevel()));
    m_controls->SilenceText()->setVisible(m_soundCheck.Silent());
}

}  // namespace kv
