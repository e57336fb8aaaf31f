#include "platform/core/MessageBox.h"

#include <cstdio>

namespace kv {
namespace {

class StderrMessageBox : public MessageBoxService {
public:
    void Show(const std::string& text) override { std::fprintf(stderr, "Kalvista: %s\n", text.c_str()); }
};

std::mutex g_serviceMutex;
std::shared_ptr<MessageBoxService> g_service = std::make_shared<StderrMessageBox>();
// Services handed out by reference stay alive after they are replaced.
std::vector<std::shared_ptr<MessageBoxService>> g_replaced;

std::shared_ptr<MessageBoxService> ServiceInUse() {
    std::lock_guard lock(g_serviceMutex);
    return g_service;
}

}  // namespace

MessageBoxService& MessageBoxes() {
    std::lock_guard lock(g_serviceMutex);
    return *g_service;
}

void SetMessageBoxService(std::shared_ptr<MessageBoxService> service) {
    std::lock_guard lock(g_serviceMutex);
    g_replaced.push_back(g_service);
    g_service = service ? std::move(service) : std::make_shared<StderrMessageBox>();
}

void ShowMessageBox(const std::string& text) { ServiceInUse()->Show(text); }

void ShowNotice(const std::string& text) { ServiceInUse()->Notice(text); }

void ShowFailureDetail(const std::string& text) { ServiceInUse()->Detail(text); }

void RecordingMessageBox::Show(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_texts.push_back(text);
}

void RecordingMessageBox::Detail(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_details.push_back(text);
}

std::vector<std::string> RecordingMessageBox::Texts() const {
    std::lock_guard lock(m_mutex);
    return m_texts;
}

std::vector<std::string> RecordingMessageBox::Details() const {
    std::lock_guard lock(m_mutex);
    return m_details;
}

void RecordingMessageBox::Clear() {
    std::lock_guard lock(m_mutex);
    m_texts.clear();
    m_details.clear();
}

}  // namespace kv
