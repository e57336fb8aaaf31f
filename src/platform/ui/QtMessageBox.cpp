#include "platform/ui/QtMessageBox.h"

#include <QMessageBox>
#include <QString>

namespace kv {

void QtMessageBox::Show(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kalvista"), QString::fromStdString(text), QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void UseQtMessageBoxes() { SetMessageBoxService(std::make_shared<QtMessageBox>()); }

}  // namespace kv
