#pragma once
// A Qt window as the desktop shows it: raise and activate, minimised or not,
// restore. Give it to a window handle with SetWindowPresenter.
#include <QPointer>
#include <QWidget>

#include "platform/core/Messages.h"

namespace kv {

class QtWindowPresenter : public WindowPresenter {
public:
    explicit QtWindowPresenter(QWidget* window) : m_window(window) {}
    void SetForeground() override;
    bool IsIconic() const override;
    void Restore() override;

private:
    QPointer<QWidget> m_window;
};

}  // namespace kv
