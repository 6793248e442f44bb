#include "app/language.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

namespace korvel {

namespace {

// The Russian texts of each window library, embedded as a resource by that library.
constexpr const char* kOwnTranslations[] = {
    ":/i18n/korvel_ru.qm",        // main window, progress windows, chooser, help, about box
    ":/i18n/korvel_editor_ru.qm", // task editor and filter browser
};

using TranslatorList = std::vector<std::unique_ptr<QTranslator>>;

// Loaded once, on the first switch to Russian.
TranslatorList LoadRussian() {
    TranslatorList list;
    // Qt's own texts: the buttons of message boxes and input boxes. Optional: without
    // Qt's translations installed those buttons stay English.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        list.push_back(std::move(qt));
    for (const char* file : kOwnTranslations) {
        auto own = std::make_unique<QTranslator>();
        if (own->load(QString::fromLatin1(file)))
            list.push_back(std::move(own));
        else
            qWarning("Korvel: the translation %s is missing from the program", file);
    }
    return list;
}

struct Translators {
    TranslatorList russian;
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
        if (t.russian.empty())
            t.russian = LoadRussian();
        for (const auto& translator : t.russian)
            QApplication::installTranslator(translator.get());
        t.installed = true;
    } else if (!russian && t.installed) {
        for (const auto& translator : t.russian)
            QApplication::removeTranslator(translator.get());
        t.installed = false;
    }
    // Deliver the change now, so that a run started right away shows the new texts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

} // namespace korvel
