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
    // The chosen presentation, the picker opened in `startFolder`; nothing when cancelled.
    virtual std::optional<std::string> ChoosePresentation(QWidget* owner, const std::string& startFolder) = 0;
    // The chosen output folder; nothing when cancelled.
    virtual std::optional<std::string> ChooseOutputFolder(QWidget* owner, const std::string& current) = 0;
    // Opens a local HTML page in the desktop's browser: empty when it did,
    // else why it could not.
    virtual std::string OpenHelpPage(const std::string& path) = 0;
};

// QFileDialog, centred on the wizard, and the desktop's program for web pages.
class QtWizardShell : public WizardShell {
public:
    std::optional<std::string> ChoosePresentation(QWidget* owner, const std::string& startFolder) override;
    std::optional<std::string> ChooseOutputFolder(QWidget* owner, const std::string& current) override;
    std::string OpenHelpPage(const std::string& path) override;
};

// Why a web page did not open, from what the desktop offers: whether the
// program that opens a file with its program (xdg-open) is installed, and how
// it ended when it ended at once (nothing while it still runs, as it does
// while the browser starts). Empty when nothing speaks against it.
std::string WhyPageDidNotOpen(bool openerInstalled, std::optional<int> openerExitCode);

}  // namespace kv
