#include "help/help_window.h"

#include <QDesktopServices>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QRegularExpression>
#include <QSplitter>
#include <QTreeWidget>

#include "platform/qt/window_placement.h"

namespace korvel {

namespace {

QUrl TopicUrl(const std::string& topic) {
    QUrl url;
    url.setScheme(QStringLiteral("chm"));
    url.setPath(QString::fromStdString(topic.empty() || topic[0] != '/' ? "/" + topic : topic));
    return url;
}

QString MessagePage(const QString& text) {
    return QStringLiteral("<html><body><h2>Korvel</h2><p>%1</p></body></html>").arg(text.toHtmlEscaped());
}

} // namespace

TChmBrowser::TChmBrowser(const TChmFile& chm, const QString& fileName, QWidget* parent)
    : QTextBrowser(parent), chm_(chm), fileName_(fileName) {
    setObjectName(QStringLiteral("HelpBrowser"));
    // Qt would hand every link of a scheme other than file: to the desktop: topics stay here.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl url = source().resolved(link);
        if (url.scheme() == QLatin1String("chm"))
            setSource(url);
        else
            QDesktopServices::openUrl(url);
    });
}

QVariant TChmBrowser::loadResource(int type, const QUrl& name) {
    if (name.scheme() != QLatin1String("chm"))
        return QTextBrowser::loadResource(type, name);
    if (!chm_.IsOpen())
        return MessagePage(THelpWindow::tr("The help file \"%1\" cannot be opened.").arg(fileName_));
    const auto data = chm_.Read(name.path().toStdString());
    if (!data) {
        if (type != QTextDocument::HtmlResource)
            return {};
        return MessagePage(
            THelpWindow::tr("The topic \"%1\" is not in the help file \"%2\".").arg(name.path(), fileName_));
    }
    if (type == QTextDocument::HtmlResource)
        return QString::fromUtf8(data->data(), static_cast<qsizetype>(data->size()));
    return QByteArray(data->data(), static_cast<qsizetype>(data->size()));
}

THelpWindow::THelpWindow(const std::string& file, QWidget* parent)
    : QWidget(parent, Qt::Window), file_(file), chm_(file) {
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A help window left open (the language switched to Russian meanwhile) must not keep
    // the program running after the main window closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QHBoxLayout(this);
    auto* splitter = new QSplitter(this);
    contents_ = new QTreeWidget(splitter);
    contents_->setObjectName(QStringLiteral("ContentsTree"));
    browser_ = new TChmBrowser(chm_, QString::fromStdString(file), splitter);
    splitter->addWidget(contents_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 560});
    layout->addWidget(splitter);
    connect(contents_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        ShowTopic(item->data(0, Qt::UserRole).toString().toStdString());
    });
    FillContents();
    RetranslateUi();
    resize(800, 560);
    CenterOnScreen(this);
}

THelpWindow::~THelpWindow() {
    // The browser reads from chm_ while it is destroyed: let it go first.
    delete browser_;
}

void THelpWindow::RetranslateUi() {
    setWindowTitle(tr("Korvel Help"));
    contents_->setHeaderLabel(tr("Contents"));
    contents_->setAccessibleName(tr("Contents"));
    browser_->setAccessibleName(tr("Korvel Help"));
}

void THelpWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        RetranslateUi();
    QWidget::changeEvent(event);
}

// The contents file (.hhc) is HTML of nested <UL> lists whose <OBJECT>s carry a Name and
// a Local parameter.
void THelpWindow::FillContents() {
    std::string hhc;
    for (const std::string& name : chm_.Names())
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".hhc") == 0)
            hhc = chm_.Read(name).value_or("");
    static const QRegularExpression token(QStringLiteral("<(/?)ul>|<object[^>]*>(.*?)</object>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression param(QStringLiteral("<param\\s+name=\"(\\w+)\"\\s+value=\"([^\"]*)\""),
                                          QRegularExpression::CaseInsensitiveOption);
    QTreeWidgetItem* parent = nullptr;
    QTreeWidgetItem* last = nullptr;
    int depth = 0;
    for (auto it = token.globalMatch(QString::fromUtf8(hhc.c_str())); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<ul"), Qt::CaseInsensitive)) {
            if (++depth > 1)
                parent = last;
        } else if (m.captured(1) == QLatin1String("/")) {
            --depth;
            parent = parent ? parent->parent() : nullptr;
            last = nullptr;
        } else {
            QString title, local;
            for (auto p = param.globalMatch(m.captured(2)); p.hasNext();) {
                const auto pm = p.next();
                if (pm.captured(1).compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0)
                    title = pm.captured(2);
                else if (pm.captured(1).compare(QLatin1String("Local"), Qt::CaseInsensitive) == 0)
                    local = pm.captured(2);
            }
            last = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(contents_);
            last->setText(0, title);
            last->setData(0, Qt::UserRole, local);
        }
    }
    contents_->expandAll();
}

void THelpWindow::ShowTopic(const std::string& topic) {
    if (!topic.empty() && topic != "/") {
        browser_->setSource(TopicUrl(topic));
        return;
    }
    // The start page is the first entry of the contents.
    std::string start = "/index.htm";
    if (contents_->topLevelItemCount() > 0)
        start = contents_->topLevelItem(0)->data(0, Qt::UserRole).toString().toStdString();
    browser_->setSource(TopicUrl(start));
}

std::string THelpWindow::Topic() const {
    return browser_->source().path().toStdString();
}

} // namespace korvel
