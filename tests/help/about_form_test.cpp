#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

#include "app/language.h"
#include "help/about_form.h"
#include "help/maker.h"
#include "platform/qt/window_placement.h"

using namespace korvel;

TEST(AboutForm, TextsInBothLanguagesAndFixedLines) {
    TAboutForm about;
    const struct {
        bool russian;
        const char *title, *version, *credit, *close;
    } cases[] = {
        {true, "О программе", "Версия 1.2 билд 164", "Программирование: разработчики Korvel", "Закрыть"},
        {false, "About program", "Version 1.2 build 164", "Programming: the Korvel developers", "Close"},
    };
    for (const auto& c : cases) {
        ApplyLanguage(c.russian);
        EXPECT_EQ(about.windowTitle(), c.title);
        EXPECT_EQ(about.VersionLabel->text(), c.version);
        EXPECT_EQ(about.CreditLabel->text(), c.credit);
        EXPECT_EQ(about.Button1->text(), c.close);
        EXPECT_EQ(about.ProductLabel->text(), "Korvel");
        EXPECT_EQ(about.WebEdit->text(), QStringLiteral("HTML: ") + kWebSite);
        EXPECT_EQ(about.EmailEdit->text(), QStringLiteral("Email: ") + kSupportEmail);
    }
    EXPECT_TRUE(about.WebEdit->isReadOnly());
    EXPECT_TRUE(about.EmailEdit->isReadOnly());
    EXPECT_TRUE(about.ProductLabel->font().bold() && about.ProductLabel->font().italic());
}

TEST(AboutForm, StaysOnTopCentredModelessAndCloses) {
    TAboutForm about;
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(about.pos(), CenteredPosition(QGuiApplication::primaryScreen()->size(), about.size()));
    about.show();
    EXPECT_FALSE(about.isModal());
    EXPECT_TRUE(about.isVisible());
    about.Button1->click();
    EXPECT_FALSE(about.isVisible());
}
