#include "app/language.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

namespace korvel {

namespace {

struct Translators {
    // One per translation embedded under :/i18n: each window library brings its own.
    std::vector<std::unique_ptr<QTranslator>> own;
    QTranslator qt; // Qt's own texts: the buttons of message boxes and input boxes
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
        if (t.own.empty()) {
            const QDir dir(QStringLiteral(":/i18n"));
            for (const QString& name : dir.entryList({QStringLiteral("*_ru.qm")}, QDir::Files, QDir::Name)) {
                auto translator = std::make_unique<QTranslator>();
                if (translator->load(dir.filePath(name)))
                    t.own.push_back(std::move(translator));
            }
        }
        if (t.qt.isEmpty())
            t.qt.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        QApplication::installTranslator(&t.qt);
        for (const auto& translator : t.own)
            QApplication::installTranslator(translator.get());
        t.installed = true;
    } else if (!russian && t.installed) {
        for (const auto& translator : t.own)
            QApplication::removeTranslator(translator.get());
        QApplication::removeTranslator(&t.qt);
        t.installed = false;
    }
    // Deliver the change now, so that a run started right away shows the new texts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

} // namespace korvel
