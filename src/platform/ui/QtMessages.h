#pragma once
// Qt's own notes (start-up remarks such as "XDG_RUNTIME_DIR not set", plugin
// warnings) go to our trace, so the terminal shows only the program's lines.
// Critical and fatal messages still reach stderr: they explain a failure.
namespace kv {

// Installs the handler; call before the QApplication is made.
void RouteQtMessagesToTrace();

}  // namespace kv
