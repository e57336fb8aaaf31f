#include "app/batch/FastRenderRunner.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/batch/FastBatch.h"
#include "app/batch/OutputCheck.h"
#include "app/core/SettingsCatalogue.h"
#include "platform/automation/uno/UnoShowStage.h"
#include "conversion/dialog/WaitDlg.h"
#include "platform/automation/uno/UnoAutomation.h"
#include "platform/core/MessageBox.h"

namespace kv {

namespace fs = std::filesystem;

FastRenderRunner::FastRenderRunner(std::unique_ptr<ContainerRunner> container) : m_container(std::move(container)) {}

FastRenderRequest FastRenderRequestFromSettings(const ContainerRequest& request) {
    FastRenderRequest render;
    render.presentation = request.presentationPath;
    render.output = settings::OutputFileName.Get();
    render.format = settings::OutputFormat.Get();
    render.width = request.width;
    render.height = request.height;
    render.fps = static_cast<int>(settings::FrameRate.Get());
    render.captureMode = request.captureMode;
    render.seconds = request.secondsPerSlide;
    render.deckSound = settings::CaptureSound.Get() != 0;
    render.qualityFactor = static_cast<int>(settings::QualityFactor.Get());
    render.audioBitRate = static_cast<int>(settings::BitRate.Get());
    return render;
}

namespace {

// The reason no complete video was made; empty when it was.
std::string Render(const FastRenderRequest& render) {
    std::unique_ptr<SlideDrawingOffice> office;
    std::string why;
    if (!StartDrawingOffice(office, &why)) return why;
    // Two stages record moving stretches side by side: the machine's cores, at most two.
    StagePool stages(StartUnoShowStage, render.width, render.height,
                     static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 2u)));
    const FastRenderResult result = RenderFast(*office, stages, render);
    if (!result.ok) return result.error;
    const OutputCheck check = CheckOutputFile(render.output);
    return check.complete ? std::string() : check.problem;
}

}  // namespace

int FastRenderRunner::RunContainer(const ContainerRequest& request) {
    if (!request.renderFast) return m_container->RunContainer(request);
    AllowLinkedContent(request.allowLinkedContent);
    const FastRenderRequest render = FastRenderRequestFromSettings(request);
    std::atomic<bool> done{false};
    std::string failure;
    std::thread worker([&] {
        failure = Render(render);
        done = true;
    });
    {
        // The office works in the background; the busy window keeps the screen drawn meanwhile.
        QProgressDialog busy(QString::fromStdString("Rendering " + fs::path(render.presentation).filename().string() +
                                                    " ..."),
                             QString(), 0, 0);
        busy.setWindowTitle("Kalvista");
        busy.setWindowModality(Qt::ApplicationModal);
        busy.setMinimumDuration(0);
        busy.show();
        while (!done) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    worker.join();
    if (!failure.empty()) {
        std::error_code ignored;
        if (fs::file_size(render.output, ignored) == 0) fs::remove(render.output, ignored);  // the reserved name only
        ShowMessageBox("Conversion failed: " + failure);
        return kNothingRecorded;
    }
    ShowNotice("The video is ready:\n" + render.output);
    CWaitDlg::PlayOutputFile();
    return kRecordingMade;
}

CaptureSize FastRenderRunner::FittedCaptureSize(CaptureSize asked) { return m_container->FittedCaptureSize(asked); }

}  // namespace kv
