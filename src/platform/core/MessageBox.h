#pragma once
// Message boxes for the failures the user must see. The program shows them
// with the caption "Kalvista", a warning icon and an OK button; tests install
// a RecordingMessageBox so nothing blocks.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kv {

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual void Show(const std::string& text) = 0;
    // Something the user should know although nothing failed (the video was
    // made, but without sound, say). Shown like a failure unless the service
    // tells the two apart.
    virtual void Notice(const std::string& text) { Show(text); }
    // Why the last message's failure happened, in the words of the component
    // that failed. Not shown in a box; a service without a user to ask (the
    // batch mode) prints it.
    virtual void Detail(const std::string&) {}
};

// The service in use; by default one that writes the text to stderr (the UI
// installs the Qt one at start-up).
MessageBoxService& MessageBoxes();
void SetMessageBoxService(std::shared_ptr<MessageBoxService> service);

// Shows `text` through the service in use.
void ShowMessageBox(const std::string& text);
// Shows `text` through the service in use as a notice.
void ShowNotice(const std::string& text);
// Hands the reason of a failure to the service in use.
void ShowFailureDetail(const std::string& text);

// Records every text instead of showing it.
class RecordingMessageBox : public MessageBoxService {
public:
    void Show(const std::string& text) override;
    void Detail(const std::string& text) override;
    std::vector<std::string> Texts() const;
    std::vector<std::string> Details() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_texts;
    std::vector<std::string> m_details;
};

}  // namespace kv
