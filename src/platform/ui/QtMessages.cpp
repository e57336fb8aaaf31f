#include "platform/ui/QtMessages.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>

#include "platform/core/Trace.h"

namespace kv {
namespace {

void TraceQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    const QByteArray line = text.toLocal8Bit();
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "kalvista: %s\n", line.constData());
        return;
    }
    TraceF("Qt: %s\n", line.constData());
}

}  // namespace

void RouteQtMessagesToTrace() { qInstallMessageHandler(&TraceQtMessage); }

}  // namespace kv
