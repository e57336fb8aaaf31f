#include "platform/ui/QtWindowPresenter.h"

namespace kv {

void QtWindowPresenter::SetForeground() {
    if (!m_window) return;
    m_window->raise();
    m_window->activateWindow();
}

bool QtWindowPresenter::IsIconic() const { return m_window && m_window->isMinimized(); }

void QtWindowPresenter::Restore() {
    if (!m_window) return;
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
}

}  // namespace kv
