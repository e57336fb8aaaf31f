#pragma once
// The container's four-button toolbar: Play, Pause, Stop and Next slide,
// each button 26 x 20 pixels, commands 32775 to 32778, and beside them the
// level of the sound being recorded.
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <map>

#include "platform/core/Messages.h"
#include "playback/container/ContainerArtwork.h"

namespace kv {

class CLevelMeter;

// Also a child window of the container in the window registry, so the
// recorder can ask it for its button size.
class ContainerToolbar : public QWidget, public MessageReceiver {
    Q_OBJECT
public:
    explicit ContainerToolbar(QWidget* parent);
    ~ContainerToolbar() override;

    // Enters the toolbar in the window registry as a child of `container`.
    void RegisterWindow(HWND container);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void EnableButton(int command, bool enable);
    bool IsButtonEnabled(int command) const;
    // The buttons' height (the toolbar's button-size answer).
    int ButtonHeight() const { return kToolbarButtonHeight; }
    // The toolbar's full size.
    QSize FullSize() const;
    // Presses a button as a click would (does nothing when it is disabled).
    void Click(int command);
    // The sound level meter (null when the recording takes no sound): it follows the
    // sound engine's blocks, so the device is read once, by the recording.
    CLevelMeter* SoundMeter() const { return m_meter; }

signals:
    void Command(int command);

private:
    std::map<int, QToolButton*> m_buttons;
    CLevelMeter* m_meter = nullptr;
    QTimer m_meterTimer;
    HWND m_hWnd = 0;
};

}  // namespace kv
