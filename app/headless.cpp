#include "app/headless.h"

#include <QtGlobal>
#include <cstdio>

#include "app/command_line.h"
#include "app/message_box.h"
#include "platform/display.h"

namespace korvel {

namespace {

int& Notices() {
    static int count = 0;
    return count;
}

} // namespace

bool ChooseHeadlessStart(const std::vector<std::string>& args) {
    if (!IsTaskRunStart(args))
        return false;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return platform.startsWith("offscreen") || platform.startsWith("minimal");
    if (DisplayAvailable())
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
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
