#include "app/headless.h"

#include <QtGlobal>
#include <cstdio>

#include "app/command_line.h"
#include "platform/display.h"
#include "platform/qt/message_box.h"

namespace korvel {

namespace {

int& Notices() {
    static int count = 0;
    return count;
}

// cron mails whatever a run prints: a run that went well must print nothing, so
// Qt's remarks about the missing desktop are dropped; only real errors remain.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

bool ChooseHeadlessStart(const std::vector<std::string>& args) {
    if (!IsTaskRunStart(args) && !IsCatchUpStart(args))
        return false;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty()) {
        if (!platform.startsWith("offscreen") && !platform.startsWith("minimal"))
            return false;
    } else if (DisplayAvailable()) {
        return false;
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(QuietMessages);
    return true;
}

void InstallHeadlessAnswers() {
    SetMessageBoxHandler([](const std::string& text, const std::string&, MsgButtons buttons) {
        std::fprintf(stderr, "Korvel: %s\n", text.c_str());
        std::fflush(stderr);
        // The first button is the default one, as in the boxes shown on screen.
        switch (buttons) {
        case MsgButtons::Ok:
            ++Notices();
            return MsgResult::Ok;
        case MsgButtons::OkCancel:
            return MsgResult::Ok;
        case MsgButtons::YesNoCancel:
        case MsgButtons::YesNo:
            return MsgResult::Yes;
        }
        return MsgResult::Ok;
    });
    SetInputBoxHandler([](const QString&, const QString&, const QString& initial) { return initial; });
}

int HeadlessNoticeCount() {
    return Notices();
}

} // namespace korvel
