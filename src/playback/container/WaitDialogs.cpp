#include "playback/container/WaitDialogs.h"

#include <QAbstractButton>
#include <QTimer>

#include "conversion/dialog/WaitDlg.h"
#include "platform/core/MessageBox.h"

namespace kv {
namespace {

constexpr int kDonePollMs = 100;

class WaitDialogs : public ConversionDialogs {
public:
    explicit WaitDialogs(bool finishWhenDone) : m_finishWhenDone(finishWhenDone) {}

    void RunWaitDialog(const std::string& sizeNote) override {
        CWaitDlg dialog;
        dialog.SetSizeNote(QString::fromStdString(sizeNote));
        QTimer finisher;
        if (m_finishWhenDone) {
            QObject::connect(&finisher, &QTimer::timeout, &dialog, [&dialog] {
                if (dialog.IsDone() && dialog.FinishButton().isVisible()) dialog.FinishButton().click();
            });
            finisher.start(kDonePollMs);
        }
        dialog.exec();
        // Nobody reads the panel of a dialog that finishes by itself.
        if (m_finishWhenDone && dialog.ConversionFailed()) ShowMessageBox(dialog.FailureText().toStdString());
        if (m_finishWhenDone && dialog.IsDone() && !dialog.ConversionFailed() && !sizeNote.empty())
            ShowNotice(sizeNote);
    }

    void PlayOutputFile() override { CWaitDlg::PlayOutputFile(); }

private:
    bool m_finishWhenDone;
};

}  // namespace

std::shared_ptr<ConversionDialogs> MakeWaitDialogs(bool finishWhenDone) {
    return std::make_shared<WaitDialogs>(finishWhenDone);
}

}  // namespace kv
