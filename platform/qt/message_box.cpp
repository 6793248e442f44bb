#include "platform/qt/message_box.h"

#include <QInputDialog>
#include <QMessageBox>

namespace korvel {

namespace {

MessageBoxFn& Handler() {
    static MessageBoxFn handler;
    return handler;
}

InputBoxHandler& InputHandler() {
    static InputBoxHandler handler;
    return handler;
}

} // namespace

void SetInputBoxHandler(InputBoxHandler handler) {
    InputHandler() = std::move(handler);
}

std::optional<QString> ShowInputBox(QWidget* parent, const QString& title, const QString& prompt,
                                    const QString& initial) {
    if (InputHandler())
        return InputHandler()(title, prompt, initial);
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void SetMessageBoxHandler(MessageBoxFn handler) {
    Handler() = std::move(handler);
}

MsgResult ShowMessageBox(QWidget* parent, const QString& text, MsgButtons buttons, const QString& title) {
    if (Handler())
        return Handler()(text.toStdString(), title.toStdString(), buttons);

    QMessageBox::StandardButtons set = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::Information;
    if (buttons == MsgButtons::OkCancel) {
        set = QMessageBox::Ok | QMessageBox::Cancel;
        icon = QMessageBox::Question;
    } else if (buttons == MsgButtons::YesNoCancel) {
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        icon = QMessageBox::Question;
    } else if (buttons == MsgButtons::YesNo) {
        set = QMessageBox::Yes | QMessageBox::No;
        icon = QMessageBox::Question;
    }
    QMessageBox box(icon, title, text, set, parent);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    default:
        return MsgResult::Ok;
    }
}

MessageBoxFn CoreMessageBox(QWidget* parent) {
    return [parent](const std::string& text, const std::string& title, MsgButtons buttons) {
        return ShowMessageBox(parent, QString::fromStdString(text), buttons, QString::fromStdString(title));
    };
}

} // namespace korvel
