#pragma once
// Korvel's own viewer of compiled HTML Help files: the contents tree beside the topic.

#include <QTextBrowser>
#include <QWidget>
#include <memory>
#include <string>

#include "help/chm_file.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace korvel {

// Shows the topics of one .chm file; links between topics stay inside the file.
class TChmBrowser : public QTextBrowser {
    Q_OBJECT
public:
    TChmBrowser(const TChmFile& chm, const QString& fileName, QWidget* parent);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    const TChmFile& chm_;
    QString fileName_;
};

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(const std::string& file, QWidget* parent = nullptr);
    ~THelpWindow() override;

    const std::string& File() const { return file_; }
    // Shows `topic` ("/Namefield.htm"); empty: the file's start page.
    void ShowTopic(const std::string& topic);
    // The topic on show, as "/name.htm".
    std::string Topic() const;

    QTreeWidget* ContentsTree() const { return contents_; }
    TChmBrowser* Browser() const { return browser_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void FillContents();
    void RetranslateUi();

    std::string file_;
    TChmFile chm_;
    QTreeWidget* contents_;
    TChmBrowser* browser_;
};

} // namespace korvel
