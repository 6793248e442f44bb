#include "app/language.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace korvel {

namespace {

struct Translators {
    QTranslator own;
    QTranslator editor; // the task editor's texts, embedded with the editor
    QTranslator qt;     // Qt's own texts: the buttons of message boxes and input boxes
    bool installed = false;
};

Translators& State() {
    static Translators t;
    return t;
}

} // namespace

void ApplyLanguage(bool russian) {
    Translators& t = State();
    if (russian && !t.installed) {
        if (t.own.isEmpty())
            t.own.load(QStringLiteral(":/i18n/korvel_ru.qm"));
        if (t.editor.isEmpty())
            t.editor.load(QStringLiteral(":/i18n/korvel_editor_ru.qm"));
        if (t.qt.isEmpty())
            t.qt.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        QApplication::installTranslator(&t.qt);
        QApplication::installTranslator(&t.own);
        QApplication::installTranslator(&t.editor);
        t.installed = true;
    } else if (!russian && t.installed) {
        QApplication::removeTranslator(&t.editor);
        QApplication::removeTranslator(&t.own);
        QApplication::removeTranslator(&t.qt);
        t.installed = false;
    }
    // Deliver the change now, so that a run started right away shows the new texts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

} // namespace korvel
