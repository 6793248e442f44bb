// The help: the compiled files hold every topic the program asks for, their links lead
// somewhere, and the help window shows, follows and closes as asked.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTextCursor>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <set>

#include "help/chm_file.h"
#include "help/help_window.h"
#include "help/html_help.h"
#include "platform/executable.h"
#include "tasks/options.h"

using namespace korvel;

namespace {

const char* const kEditorTopics[] = {"/Namefield.htm", "/Sourcefield.htm", "/Destinationfield.htm",
                                     "/Compressionfield.htm", "/Schedulefield.htm"};

// The relative links of a page (external addresses and in-page anchors left out).
std::vector<QString> Links(const QString& html) {
    static const QRegularExpression href(QStringLiteral("(?:href|value)=\"([^\"#:]+\\.html?)\""),
                                         QRegularExpression::CaseInsensitiveOption);
    std::vector<QString> links;
    for (auto it = href.globalMatch(html); it.hasNext();)
        links.push_back(it.next().captured(1));
    return links;
}

std::vector<THelpWindow*> HelpWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::vector<THelpWindow*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<THelpWindow*>(w))
            windows.push_back(h);
    return windows;
}

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override { Options() = TOptionsData{false, false}; }
    void TearDown() override {
        CloseAllHelp();
        SetUrlOpener({});
        Options() = TOptionsData{false, false};
    }
};

} // namespace

TEST(ChmFiles, HoldEveryRequestedTopicAndEveryLinkResolves) {
    for (const char* name : {"korvel.chm", "korvel_en.chm"}) {
        SCOPED_TRACE(name);
        const TChmFile chm(ExecutableDir() + name);
        ASSERT_TRUE(chm.IsOpen());
        for (const char* topic : kEditorTopics)
            EXPECT_TRUE(chm.Read(topic)) << topic;
        EXPECT_TRUE(chm.Read("/index.htm"));
        int pages = 0;
        for (const std::string& object : chm.Names()) {
            const QString file = QString::fromStdString(object);
            if (!file.endsWith(QLatin1String(".htm")) && !file.endsWith(QLatin1String(".hhc")))
                continue;
            ++pages;
            const QString html = QString::fromStdString(chm.Read(object).value());
            for (const QString& link : Links(html))
                EXPECT_TRUE(chm.Read(("/" + link).toStdString())) << object << " -> " << link.toStdString();
        }
        EXPECT_GE(pages, 11);
    }
}

TEST(RussianPages, ExistBesideTheProgramAndEveryLinkResolves) {
    const QDir kv(QString::fromStdString(ExecutableDir() + "KV"));
    for (const char* page :
         {"help2.html", "help4.html", "help5.html", "help6.html", "help7.html", "help8.html"})
        EXPECT_TRUE(kv.exists(QLatin1String(page))) << page;
    for (const QString& page : kv.entryList({QStringLiteral("*.html")})) {
        QFile f(kv.filePath(page));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(html.contains(QStringLiteral("<html lang=\"ru\">"))) << page.toStdString();
        for (const QString& link : Links(html))
            EXPECT_TRUE(kv.exists(link)) << page.toStdString() << " -> " << link.toStdString();
    }
}

TEST_F(HelpTest, EditorPagesOpenTheirTopicsAndLinksWork) {
    for (int page = 0; page < 5; ++page) {
        ShowEditorHelp(page);
        const auto windows = HelpWindows();
        ASSERT_EQ(windows.size(), 1u) << "one window per file, reused";
        EXPECT_EQ(windows[0]->File(), ExecutableDir() + "korvel.chm");
        EXPECT_EQ(windows[0]->Topic(), kEditorTopics[page]);
        EXPECT_TRUE(windows[0]->isVisible());
    }
    THelpWindow* w = HelpWindows().at(0);
    EXPECT_TRUE(w->Browser()->toPlainText().contains(QStringLiteral("Schedule")));
    EXPECT_GE(w->ContentsTree()->topLevelItemCount(), 5);
    EXPECT_EQ(w->ContentsTree()->topLevelItem(0)->childCount(), 5) << "the editor's pages under the start";

    // A link inside the topic followed with the keyboard, then an entry of the contents.
    const QTextCursor link = w->Browser()->document()->find(QStringLiteral("Running tasks on a schedule"));
    ASSERT_FALSE(link.isNull());
    w->Browser()->setTextCursor(link);
    QTest::keyClick(w->Browser(), Qt::Key_Return);
    EXPECT_EQ(w->Topic(), "/Scheduling.htm");
    EXPECT_TRUE(w->Browser()->toPlainText().contains(QStringLiteral("job scheduler")));
    QTreeWidgetItem* names = w->ContentsTree()->topLevelItem(1);
    emit w->ContentsTree()->itemClicked(names, 0);
    EXPECT_EQ(w->Topic(), "/ArchiveNames.htm");
}

TEST_F(HelpTest, ContentsAndF1OpenTheirFilesAndCommand18ClosesAll) {
    ShowHelpContents(true);
    ShowHelpContents(false);
    const auto windows = HelpWindows();
    ASSERT_EQ(windows.size(), 2u);
    std::set<std::string> files;
    for (THelpWindow* w : windows) {
        files.insert(w->File());
        EXPECT_EQ(w->Topic(), "/index.htm");
        EXPECT_FALSE(w->testAttribute(Qt::WA_QuitOnClose)) << "the main window alone ends the program";
    }
    EXPECT_EQ(files,
              (std::set<std::string>{ExecutableDir() + "korvel.chm", ExecutableDir() + "korvel_en.chm"}));
    HtmlHelp(nullptr, {}, HH_CLOSE_ALL, 0);
    EXPECT_TRUE(HelpWindows().empty());
}

TEST_F(HelpTest, MissingFileOrTopicShowsTheViewersOwnMessage) {
    THelpWindow* w = HtmlHelp(nullptr, "/nonexistent/korvel.chm::/Namefield.htm", HH_DISPLAY_TOPIC, 0);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Browser()->toPlainText().contains(
        QStringLiteral("The help file \"/nonexistent/korvel.chm\" cannot be opened.")));
    EXPECT_EQ(w->ContentsTree()->topLevelItemCount(), 0);
    w = HtmlHelp(nullptr, ExecutableDir() + "korvel.chm::/NoSuchTopic.htm", HH_DISPLAY_TOPIC, 0);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Browser()->toPlainText().contains(QStringLiteral("is not in the help file")));
}

TEST_F(HelpTest, RussianOpensTheLocalPagesWithTheDesktopsHandler) {
    Options().Language = true;
    std::vector<QUrl> opened;
    SetUrlOpener([&](const QUrl& url) { opened.push_back(url); });
    ShowHelpContents(true);
    ShowHelpContents(false);
    for (int page = 0; page < 5; ++page)
        ShowEditorHelp(page);
    EXPECT_TRUE(HelpWindows().empty());
    std::vector<std::string> names;
    for (const QUrl& url : opened) {
        EXPECT_TRUE(url.isLocalFile()) << url.toString().toStdString();
        EXPECT_TRUE(QFile::exists(url.toLocalFile())) << url.toString().toStdString();
        names.push_back(url.toLocalFile().toStdString());
    }
    const std::string kv = ExecutableDir() + "KV/";
    EXPECT_EQ(names, (std::vector<std::string>{kv + "help2.html", kv + "help2.html", kv + "help4.html",
                                               kv + "help5.html", kv + "help6.html", kv + "help7.html",
                                               kv + "help8.html"}));
}
