// Start-up: the language first, then the main window with the task list and its
// stores, then a "/t" run or the message loop.

#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_form.h"
#include "app/message_box.h"
#include "engine/data_module.h"
#include "platform/executable.h"
#include "tasks/options.h"

int main(int argc, char* argv[]) {
    using namespace korvel;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));

    const std::string storeDir = ExecutableDir();
    Options() = LoadOptions(storeDir);

    TMainForm mainForm(storeDir);
    TDataModule1 dataModule1;
    dataModule1.MessageBox = CoreMessageBox(&mainForm);
    dataModule1.ZipWriter1.PumpMessages = [] {
        QApplication::processEvents();
        return false;
    };
    mainForm.Services().ArchiveStep = [&dataModule1](TTask& task, const std::vector<std::string>& files,
                                                     int rootLength, bool& abort, const ProgressFn& progress,
                                                     const std::string& target, TRunReport& report) {
        return dataModule1.ZipBackup(task, files, rootLength, abort, progress, target, report);
    };
    const std::vector<std::string> args(argv + 1, argv + argc);
    mainForm.StartUp(args);

    int rc = 0;
    if (!(IsTaskRunStart(args) && mainForm.WasClosed())) {
        mainForm.show();
        rc = QApplication::exec();
    }

    std::string error;
    if (!SaveOptions(Options(), storeDir, error))
        std::fprintf(stderr, "korvel: %s\n", error.c_str());
    return rc;
}
