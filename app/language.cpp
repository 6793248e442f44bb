#include "app/language.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

namespace korvel {

namespace {

using TranslatorList = std::vector<std::unique_ptr<QTranslator>>;

// Loaded once, on the first switch to Russian: Qt's own texts (the buttons of message
// boxes and input boxes; optional, without them those buttons stay English), then one
// translation per window library, each embedded by its library under :/i18n.
TranslatorList LoadRussian() {
    TranslatorList list;
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        list.push_back(std::move(qt));
    const QDir dir(QStringLiteral(":/i18n"));
    for (const QString& name : dir.entryList({QStringLiteral("*_ru.qm")}, QDir::Files, QDir::Name)) {
        auto own = std::make_unique<QTranslator>();
        if (own->load(dir.filePath(name)))
            list.push_back(std::move(own));
        else
            qWarning("Korvel: the translation %s cannot be read", qPrintable(name));
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
