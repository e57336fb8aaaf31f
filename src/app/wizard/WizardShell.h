#pragma once
// What the wizard asks of the desktop: the file and folder pickers and the
// browser for the help page. Tests answer with a double.
#include <optional>
#include <string>

class QWidget;

namespace kv {

class WizardShell {
public:
    virtual ~WizardShell() = default;
    // The chosen presentation; nothing when cancelled.
    virtual std::optional<std::string> ChoosePresentation(QWidget* owner) = 0;
    // The chosen output folder; nothing when cancelled.
    virtual std::optional<std::string> ChooseOutputFolder(QWidget* owner, const std::string& current) = 0;
    // Opens a local HTML page in the desktop's browser; false when that failed.
    virtual bool OpenHelpPage(const std::string& path) = 0;
};

// QFileDialog and QDesktopServices.
class QtWizardShell : public WizardShell {
public:
    std::optional<std::string> ChoosePresentation(QWidget* owner) override;
    std::optional<std::string> ChooseOutputFolder(QWidget* owner, const std::string& current) override;
    bool OpenHelpPage(const std::string& path) override;
};

}  // namespace kv
