#pragma once
// What the wizard's Convert runs: a request marked `renderFast` is rendered as
// `kalvista --convert --fast` renders it (the office draws the slides, nothing
// is played or recorded) while a busy window waits; any other request goes to
// the container.
#include <memory>

#include "app/core/ContainerRunner.h"
#include "rendering/FastRender.h"

namespace kv {

class FastRenderRunner : public ContainerRunner {
public:
    explicit FastRenderRunner(std::unique_ptr<ContainerRunner> container);
    // A rendered request: kRecordingMade when the video is complete,
    // otherwise kNothingRecorded with the reason in a message box (the user
    // can change the choices and convert again).
    int RunContainer(const ContainerRequest& request) override;
    // A recording's size; a rendered video is drawn at the size asked.
    CaptureSize FittedCaptureSize(CaptureSize asked) override;

private:
    std::unique_ptr<ContainerRunner> m_container;
};

// The render that the settings Convert stored, and `request`, ask for.
FastRenderRequest FastRenderRequestFromSettings(const ContainerRequest& request);

}  // namespace kv
