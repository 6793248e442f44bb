#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QToolButton>
#include <map>

#include "app/language.h"
#include "engine/ui/please_wait_form.h"
#include "gui_fixture.h"

using namespace korvel;

namespace {

// Every text a person can read on a window: labels, buttons, actions, hints.
std::map<QString, QString> Captions(QWidget* w) {
    std::map<QString, QString> texts;
    int n = 0;
    for (auto* l : w->findChildren<QLabel*>())
        texts["label" + QString::number(n++)] = l->text();
    for (auto* b : w->findChildren<QAbstractButton*>())
        texts["button " + b->objectName() + QString::number(n++)] = b->text() + "|" + b->toolTip();
    for (auto* a : w->findChildren<QAction*>())
        texts["action " + a->objectName() + QString::number(n++)] = a->text() + "|" + a->toolTip();
    return texts;
}

} // namespace

TEST_F(MainFormTest, RussianAndBackRestoresEveryCaption) {
    TPleaseWaitForm wait;
    Options().Language = true;
    Form().StartUp({});
    const auto russian = Captions(&Form());
    EXPECT_EQ(Form().AddAction->text(), "Добавить");
    EXPECT_EQ(Form().FileToolButton->text(), "Файл");
    EXPECT_EQ(wait.Text(), "Ждите...");
    EXPECT_EQ(Form().AddAction->toolTip(), "Add a new task to the tasks list") << "hints stay English";
    EXPECT_FALSE(Options().LanguageChosen);

    Form().SetLanguageIndex(0);
    EXPECT_TRUE(Options().LanguageChosen);
    EXPECT_FALSE(Options().Language);
    EXPECT_EQ(Form().AddAction->text(), "Add");
    EXPECT_EQ(Form().HelpToolButton->text(), "Help");
    EXPECT_EQ(wait.Text(), "Please wait...");

    Form().SetLanguageIndex(1);
    EXPECT_EQ(Captions(&Form()), russian);
    ApplyLanguage(false);
}
