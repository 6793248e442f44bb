#include "help/html_help.h"

#include <QDesktopServices>
#include <QPointer>
#include <QWidget>
#include <array>
#include <vector>

#include "help/chm_file.h"
#include "help/help_window.h"
#include "platform/program_dirs.h"
#include "tasks/options.h"

namespace korvel {

namespace {

std::vector<QPointer<THelpWindow>>& Windows() {
    static std::vector<QPointer<THelpWindow>> windows;
    return windows;
}

std::function<void(const QUrl&)>& UrlOpener() {
    static std::function<void(const QUrl&)> opener;
    return opener;
}

void OpenOnlinePage(const char* page) {
    const QUrl url = OnlineHelpBase().resolved(QUrl(QString::fromLatin1(page)));
    if (UrlOpener())
        UrlOpener()(url);
    else
        QDesktopServices::openUrl(url);
}

} // namespace

THelpWindow* HtmlHelp(QWidget* owner, const std::string& file, unsigned command, unsigned long data) {
    auto& windows = Windows();
    std::erase_if(windows, [](const QPointer<THelpWindow>& w) { return w.isNull(); });
    if (command == HH_CLOSE_ALL) {
        for (auto& w : windows)
            w->close();
        windows.clear();
        return nullptr;
    }
    if (command != HH_DISPLAY_TOPIC)
        return nullptr;
    const THelpLocation where = SplitHelpLocation(file);
    THelpWindow* window = nullptr;
    for (auto& w : windows)
        if (w->File() == where.file)
            window = w;
    if (!window) {
        // Help windows belong to no other window: they stay when the editor closes.
        window = new THelpWindow(where.file);
        windows.emplace_back(window);
    }
    window->ShowTopic(where.topic);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QUrl OnlineHelpBase() {
    return QUrl::fromLocalFile(QString::fromStdString(DataDir()));
}

void SetUrlOpener(std::function<void(const QUrl&)> opener) {
    UrlOpener() = std::move(opener);
}

void ShowHelpContents(bool contents) {
    if (Options().Language) {
        OpenOnlinePage("KV/help2.html");
        return;
    }
    HtmlHelp(nullptr, DataDir() + (contents ? "korvel_en.chm" : "korvel.chm"), HH_DISPLAY_TOPIC, 0);
}

void ShowEditorHelp(int page) {
    static constexpr std::array<const char*, 5> topics = {"Namefield.htm", "Sourcefield.htm",
                                                          "Destinationfield.htm", "Compressionfield.htm",
                                                          "Schedulefield.htm"};
    static constexpr std::array<const char*, 5> pages = {"KV/help4.html", "KV/help5.html", "KV/help6.html",
                                                         "KV/help7.html", "KV/help8.html"};
    if (page < 0 || page >= static_cast<int>(topics.size()))
        return;
    if (Options().Language) {
        OpenOnlinePage(pages[static_cast<std::size_t>(page)]);
        return;
    }
    HtmlHelp(nullptr, DataDir() + "korvel.chm::/" + topics[static_cast<std::size_t>(page)], HH_DISPLAY_TOPIC,
             0);
}

void CloseAllHelp() {
    HtmlHelp(nullptr, {}, HH_CLOSE_ALL, 0);
}

} // namespace korvel
