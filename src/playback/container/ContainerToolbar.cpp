#include "playback/container/ContainerToolbar.h"

#include <QHBoxLayout>

#include "app/core/SettingsCatalogue.h"
#include "audio/SoundLevel.h"
#include "audio/WaveIn.h"
#include "controls/LevelMeter.h"
#include "platform/ui/QtMessageThread.h"
#include "recording/CaptureArea.h"

namespace kv {
namespace {

// The toolbar is a child window of the container that answers the
// button-size question, like a native toolbar.
constexpr UINT TB_GETBUTTONSIZE = WM_USER + 58;
constexpr const char* kToolbarClassName = "ToolbarWindow32";

struct ButtonInfo {
    int command;
    const char* tip;
};

constexpr ButtonInfo kButtons[] = {
    {ID_BTN_PLAY, "Play"}, {ID_BTN_PAUSE, "Pause"}, {ID_BTN_STOP, "Stop"}, {ID_BTN_NEXTSLIDE, "Next slide"}};

// The sound meter right of the buttons, and how often it looks at the level.
constexpr int kMeterGap = 6;
constexpr int kMeterWidth = 60;
constexpr int kMeterHeight = 10;
constexpr int kMeterIntervalMs = 100;

}  // namespace

ContainerToolbar::ContainerToolbar(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const ButtonInfo& info : kButtons) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);  // flat
        button->setFixedSize(kToolbarButtonWidth, kToolbarButtonHeight);
        button->setIcon(QIcon(ToolbarIcon(info.command)));
        button->setIconSize(QSize(kToolbarButtonWidth, kToolbarButtonHeight));
        button->setToolTip(QString::fromLatin1(info.tip));
        button->setFocusPolicy(Qt::NoFocus);  // keys stay with the container
        const int command = info.command;
        connect(button, &QToolButton::clicked, this, [this, command] { emit Command(command); });
        layout->addWidget(button);
        m_buttons[command] = button;
    }
    if (settings::CaptureSound.GetOr(settings::kCaptureSoundDefaultInCaptureLoop) != 0) {
        m_meter = new CLevelMeter(this);
        m_meter->setFixedSize(kMeterWidth, kMeterHeight);
        m_meter->setToolTip("Sound level");
        layout->addSpacing(kMeterGap);
        layout->addWidget(m_meter, 0, Qt::AlignVCenter);
        connect(&m_meterTimer, &QTimer::timeout, this,
                [this] { m_meter->SetPercent(MeterPercent(TakeRecordingSoundLevel())); });
        m_meterTimer.start(kMeterIntervalMs);
    }
    setFixedSize(FullSize());
}

ContainerToolbar::~ContainerToolbar() { DestroyWindowHandle(m_hWnd); }

void ContainerToolbar::RegisterWindow(HWND container) {
    if (!m_hWnd) m_hWnd = CreateWindowHandle(this, &QtMessageThread::Main(), kToolbarClassName, "", container);
}

LRESULT ContainerToolbar::OnMessage(UINT message, WPARAM, LPARAM) {
    if (message != TB_GETBUTTONSIZE) return 0;
    // Width in the low word, height in the high word.
    return static_cast<LRESULT>((kToolbarButtonHeight << 16) | kToolbarButtonWidth);
}

QSize ContainerToolbar::FullSize() const {
    const int buttons = kToolbarButtonWidth * static_cast<int>(std::size(kButtons));
    return {m_meter ? buttons + kMeterGap + kMeterWidth : buttons, kToolbarButtonHeight};
}

void ContainerToolbar::EnableButton(int command, bool enable) {
    auto it = m_buttons.find(command);
    if (it != m_buttons.end()) it->second->setEnabled(enable);
}

bool ContainerToolbar::IsButtonEnabled(int command) const {
    auto it = m_buttons.find(command);
    return it != m_buttons.end() && it->second->isEnabled();
}

void ContainerToolbar::Click(int command) {
    auto it = m_buttons.find(command);
    if (it != m_buttons.end()) it->second->click();
}

}  // namespace kv
