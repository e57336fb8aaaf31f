#pragma once
// The container as the wizard and the batch mode run it.
#include "app/core/ContainerRunner.h"
#include "playback/container/ContainerServices.h"

namespace kv {

class PptContainerRunner : public ContainerRunner {
public:
    PptContainerRunner() = default;
    explicit PptContainerRunner(ContainerServices services) : m_services(std::move(services)), m_custom(true) {}
    // Ends the office started in advance for the wizard when no show took it over.
    ~PptContainerRunner() override;
    int RunContainer(const ContainerRequest& request) override;
    CaptureSize FittedCaptureSize(CaptureSize asked) override;

private:
    ContainerServices m_services;
    bool m_custom = false;
};

}  // namespace kv
