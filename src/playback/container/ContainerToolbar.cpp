#include "playback/container/ContainerToolbar.h"

#include <QHBoxLayout>

namespace kv {
namespace {

struct ButtonInfo {
    int command;
    const char* tip;
};

constexpr ButtonInfo kButtons[] = {
    {ID_BTN_PLAY, "Play"}, {ID_BTN_PAUSE, "Pause"}, {ID_BTN_STOP, "Stop"}, {ID_BTN_NEXTSLIDE, "Next slide"}};

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
    setFixedSize(FullSize());
}

QSize ContainerToolbar::FullSize() const {
    return {kToolbarButtonWidth * static_cast<int>(std::size(kButtons)), kToolbarButtonHeight};
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
