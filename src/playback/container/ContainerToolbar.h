#pragma once
// The container's four-button toolbar: Play, Pause, Stop and Next slide,
// each button 26 x 20 pixels, commands 32775 to 32778.
#include <QToolButton>
#include <QWidget>
#include <map>

#include "playback/container/ContainerArtwork.h"

namespace kv {

class ContainerToolbar : public QWidget {
    Q_OBJECT
public:
    explicit ContainerToolbar(QWidget* parent);

    void EnableButton(int command, bool enable);
    bool IsButtonEnabled(int command) const;
    // The buttons' height (the toolbar's button-size answer).
    int ButtonHeight() const { return kToolbarButtonHeight; }
    // The toolbar's full size.
    QSize FullSize() const;
    // Presses a button as a click would (does nothing when it is disabled).
    void Click(int command);

signals:
    void Command(int command);

private:
    std::map<int, QToolButton*> m_buttons;
};

}  // namespace kv
