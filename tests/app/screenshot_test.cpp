// Pictures of the task chooser, the help window and the about box in both languages,
// taken under a virtual display for a person to look at: build/tests/app/screenshots/.
// The outer test starts this program again on Xvfb to run the scenes.

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>

#include "app/choose_tasks_form.h"
#include "app/language.h"
#include "help/about_form.h"
#include "help/html_help.h"
#include "platform/executable.h"
#include "tasks/int_array.h"
#include "tasks/options.h"
#include "tests/shell_commands.h"
#include "tests/virtual_display.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

const fs::path kShots = fs::path(KORVEL_TEST_TMP) / ".." / "screenshots";

void Shoot(const std::string& name) {
    QTest::qWait(400);
    Shell("import -window root " + (kShots / (name + ".png")).string());
}

} // namespace

// Runs only inside the outer test's virtual display.
TEST(WindowScenes, Shoot) {
    if (qEnvironmentVariableIsEmpty("KORVEL_SHOOT_SCENES"))
        GTEST_SKIP() << "started by WindowScreenshots";
    for (const bool russian : {false, true}) {
        const std::string lang = russian ? "-ru" : "-en";
        Options().Language = russian;
        ApplyLanguage(russian);

        TChooseTasksForm chooser;
        QTimer::singleShot(0, [&] {
            Shoot("chooser" + lang);
            chooser.reject();
        });
        TIntArray indices;
        QString name;
        chooser.ChooseTasks({"Documents", "Photos", "Nightly archive", "Резервная копия почты"}, 2, indices,
                            name);

        TAboutForm about;
        about.show();
        Shoot("about" + lang);
        about.close();

        HtmlHelp(nullptr, ExecutableDir() + "korvel.chm::/Sourcefield.htm", HH_DISPLAY_TOPIC, 0);
        Shoot("help" + lang);
        CloseAllHelp();
    }
    ApplyLanguage(false);
}

TEST(WindowScreenshots, ChooserHelpAndAboutInBothLanguages) {
    if (!Have("Xvfb") || !Have("import"))
        GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed";
    fs::create_directories(kShots);
    const std::string names[] = {"chooser-en", "chooser-ru", "about-en", "about-ru", "help-en", "help-ru"};
    for (const std::string& n : names)
        fs::remove(kShots / (n + ".png"));
    const VirtualDisplay xvfb;
    ASSERT_TRUE(xvfb.Started()) << "Xvfb did not start";
    ASSERT_EQ(Shell(xvfb.Env() + "KORVEL_SHOOT_SCENES=1 timeout 120 '" + ExecutablePath() +
                    "' --gtest_filter=WindowScenes.Shoot >/dev/null 2>&1"),
              0);
    for (const std::string& n : names) {
        const QImage image(QString::fromStdString((kShots / (n + ".png")).string()));
        ASSERT_FALSE(image.isNull()) << n;
        // A picture of a window has text and frames: many colours, not one flat field.
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 20u) << n;
    }
}
