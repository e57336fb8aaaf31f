#pragma once
// Message boxes on screen: caption "Kalvista", warning icon, OK.
#include "platform/core/MessageBox.h"

namespace kv {

class QtMessageBox : public MessageBoxService {
public:
    void Show(const std::string& text) override;
};

// Installs QtMessageBox as the program's message-box service.
void UseQtMessageBoxes();

}  // namespace kv
