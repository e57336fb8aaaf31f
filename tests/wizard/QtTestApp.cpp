#include "QtTestApp.h"

#include <QScreen>

#include <cstdlib>

namespace kvtest {

QApplication& TestApp(const char* platform) {
    static int argc = 1;
    static char name[] = "kalvista-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [platform] {
        setenv("QT_QPA_PLATFORM", platform, 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

void ProcessEvents() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QImage ScreenAround(const QRect& area) {
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

std::filesystem::path ScreenshotFolder() {
    const char* source = std::getenv("KALVISTA_SOURCE_DIR");
    return std::filesystem::path(source ? source : ".") / "docs" / "screenshots";
}

ScopedMessageBoxes::ScopedMessageBoxes() : m_boxes(std::make_shared<kv::RecordingMessageBox>()) {
    kv::SetMessageBoxService(m_boxes);
}

ScopedMessageBoxes::~ScopedMessageBoxes() { kv::SetMessageBoxService(nullptr); }

std::optional<std::string> ScriptedShell::ChoosePresentation(QWidget*, const std::string& startFolder) {
    ++presentationQuestions;
    startFolders.push_back(startFolder);
    if (presentations.empty()) return std::nullopt;
    auto answer = presentations.front();
    presentations.pop_front();
    return answer;
}

std::optional<std::string> ScriptedShell::ChooseOutputFolder(QWidget*, const std::string&) {
    ++folderQuestions;
    if (folders.empty()) return std::nullopt;
    auto answer = folders.front();
    folders.pop_front();
    return answer;
}

std::string ScriptedShell::OpenHelpPage(const std::string& path) {
    openedPages.push_back(path);
    return helpProblem;
}

}  // namespace kvtest
