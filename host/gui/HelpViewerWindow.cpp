#include "HelpViewerWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTextBrowser>

#include "base/Help.h"

#include <algorithm>

namespace velmora::host {

namespace {

QPointer<HelpViewerWindow> theViewer;

}  // namespace

HelpViewerWindow::HelpViewerWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpViewer");
    setWindowTitle(tr("Help"));
    auto* splitter = new QSplitter(this);
    contents_ = new QListWidget(splitter);
    contents_->setObjectName("HelpContents");
    page_ = new QTextBrowser(splitter);
    page_->setObjectName("HelpPage");
    page_->setOpenLinks(false);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 540});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    connect(contents_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) showIndex(row);
    });
    connect(page_, &QTextBrowser::anchorClicked, this, &HelpViewerWindow::follow);
    resize(800, 560);
}

bool HelpViewerWindow::load(const QString& file) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return false;
    const QString text = QString::fromUtf8(in.readAll());
    static const QRegularExpression mark(QStringLiteral("<!--topic ([A-Za-z0-9_]+)-->"));
    static const QRegularExpression heading(QStringLiteral("<h1[^>]*>(.*?)</h1>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QList<Topic> topics;
    auto it = mark.globalMatch(text);
    QList<QRegularExpressionMatch> marks;
    while (it.hasNext()) marks << it.next();
    for (int i = 0; i < marks.size(); ++i) {
        const qsizetype begin = marks[i].capturedEnd();
        const qsizetype end =
            i + 1 < marks.size() ? marks[i + 1].capturedStart() : text.indexOf("</body>", begin);
        Topic t;
        t.name = marks[i].captured(1);
        t.html = text.mid(begin, end < 0 ? -1 : end - begin).trimmed();
        if (t.html.endsWith("<hr>")) t.html.chop(4);  // the book's rule between topics
        const auto h = heading.match(t.html);
        t.title = h.hasMatch() ? QString(h.captured(1)).remove(tags).trimmed() : t.name;
        topics << t;
    }
    if (topics.isEmpty()) return false;
    file_ = QFileInfo(file).absoluteFilePath();
    topics_ = topics;
    const QSignalBlocker block(contents_);
    contents_->clear();
    for (const Topic& t : topics_) contents_->addItem(t.title);
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"));
    const auto m = title.match(text);
    setWindowTitle(m.hasMatch() ? m.captured(1) : tr("Help"));
    return true;
}

void HelpViewerWindow::showIndex(int index) {
    if (index < 0 || index >= topics_.size()) return;
    page_->setHtml(topics_[index].html);
    if (contents_->currentRow() != index) {
        const QSignalBlocker block(contents_);
        contents_->setCurrentRow(index);
    }
}

void HelpViewerWindow::showStart() {
    showIndex(0);
}

bool HelpViewerWindow::showTopic(const QString& name) {
    for (int i = 0; i < topics_.size(); ++i) {
        if (topics_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            showIndex(i);
            return true;
        }
    }
    return false;
}

bool HelpViewerWindow::showKeyword(const QString& keywords) {
    for (const QString& k : keywords.split(';', Qt::SkipEmptyParts)) {
        const QString word = k.trimmed();
        for (int i = 0; i < topics_.size() && !word.isEmpty(); ++i) {
            if (topics_[i].name.contains(word, Qt::CaseInsensitive) ||
                topics_[i].title.contains(word, Qt::CaseInsensitive)) {
                showIndex(i);
                return true;
            }
        }
    }
    return false;
}

void HelpViewerWindow::showIndexPage() {
    QList<int> order;
    for (int i = 0; i < topics_.size(); ++i) order << i;
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        return QString::localeAwareCompare(topics_[a].title, topics_[b].title) < 0;
    });
    QString html = "<h1>" + tr("Index").toHtmlEscaped() + "</h1>\n<ul>\n";
    for (int i : order)
        html += QString("<li><a href=\"#a_%1\">%2</a></li>\n")
                    .arg(topics_[i].name, topics_[i].title.toHtmlEscaped());
    page_->setHtml(html + "</ul>\n");
    const QSignalBlocker block(contents_);
    contents_->setCurrentRow(-1);
}

QString HelpViewerWindow::currentTopic() const {
    const int row = contents_->currentRow();
    return row >= 0 && row < topics_.size() ? topics_[row].name : QString();
}

QStringList HelpViewerWindow::topicNames() const {
    QStringList names;
    for (const Topic& t : topics_) names << t.name;
    return names;
}

void HelpViewerWindow::follow(const QUrl& link) {
    // Links between topics name their anchors; anything else is the desktop's.
    if (link.isRelative() && link.path().isEmpty() && link.fragment().startsWith("a_")) {
        showTopic(link.fragment().mid(2));
        return;
    }
    QDesktopServices::openUrl(link);
}

HelpViewerWindow* HelpViewerWindow::instance() {
    QWidget* modal = QApplication::activeModalWidget();
    if (theViewer && theViewer->parentWidget() != modal) {
        theViewer->setParent(modal, Qt::Window);
    }
    if (!theViewer) {
        theViewer = new HelpViewerWindow(modal);
        theViewer->setAttribute(Qt::WA_DeleteOnClose);
    }
    return theViewer;
}

void HelpViewerWindow::closeInstance() {
    delete theViewer.data();
}

QRect HelpViewerWindow::placeBeside(const QRect& asking, QSize size, const QRect& area) {
    constexpr int kNarrowest = 400;  // narrower, a topic is no longer readable
    QRect frame(QPoint(), size.boundedTo(area.size()));
    const int right = area.right() - asking.right(), left = asking.left() - area.left();
    if (frame.width() > std::max(right, left) && std::max(right, left) >= kNarrowest)
        frame.setWidth(std::max(right, left));
    if (frame.width() <= right)
        frame.moveLeft(asking.right() + 1);
    else if (frame.width() <= left)
        frame.moveRight(asking.left() - 1);
    else if (right >= left)
        frame.moveRight(area.right());
    else
        frame.moveLeft(area.left());
    frame.moveTop(std::clamp(asking.top(), area.top(), area.bottom() - frame.height() + 1));
    return frame;
}

void HelpViewerWindow::present() {
    QWidget* asking = QApplication::activeModalWidget();
    if (!asking) asking = QApplication::activeWindow();
    if (asking == this) asking = nullptr;
    const bool covers = asking && isVisible() && frameGeometry().intersects(asking->frameGeometry());
    if (!isVisible() || covers) {
        const QRect area =
            (asking ? asking->screen() : QGuiApplication::primaryScreen())->availableGeometry();
        if (asking) {
            setGeometry(placeBeside(asking->frameGeometry(), size(), area));
        } else {
            QRect frame(QPoint(), size().boundedTo(area.size()));
            frame.moveCenter(area.center());
            setGeometry(frame);
        }
    }
    show();
    raise();
    // The modal dialog keeps the focus: the user goes on typing there.
    if (!QApplication::activeModalWidget()) activateWindow();
}

void HelpViewerWindow::followLanguage(const QString& folderCode) {
    if (!theViewer || theViewer->file_.isEmpty()) return;
    const QFileInfo book(theViewer->file_);
    const int cut = book.fileName().indexOf('_');
    if (cut < 0) return;
    const QString other = book.dir().filePath(folderCode + book.fileName().mid(cut));
    if (other == theViewer->file_) return;
    const QString topic = theViewer->currentTopic();
    if (!theViewer->load(other)) return;
    if (topic.isEmpty() || !theViewer->showTopic(topic)) theViewer->showStart();
}

}  // namespace velmora::host

extern "C" __attribute__((visibility("default"))) void* HtmlHelpA(void* owner, const char* file,
                                                                  unsigned command, std::uintptr_t data) {
    using velmora::host::HelpViewerWindow;
    if (!file || !qApp) return nullptr;
    HelpViewerWindow* viewer = HelpViewerWindow::instance();
    const QString path = QString::fromUtf8(file);
    if (viewer->file() != QFileInfo(path).absoluteFilePath() && !viewer->load(path)) return nullptr;
    bool found = true;
    const auto* link = reinterpret_cast<const velmora::HelpLinkRecord*>(data);
    const QString keywords = link && link->keywords ? QString::fromUtf8(link->keywords) : QString();
    switch (command) {
        case velmora::kHelpDisplayTopic:
            viewer->showStart();
            break;
        case velmora::kHelpKeywordLookup:
            found = viewer->showKeyword(keywords);
            break;
        case velmora::kHelpALinkLookup:
            // A-link keywords are "a_" + topic; several may be given.
            found = false;
            for (const QString& k : keywords.split(';', Qt::SkipEmptyParts))
                if (!found && k.trimmed().startsWith("a_")) found = viewer->showTopic(k.trimmed().mid(2));
            break;
        default:
            return nullptr;
    }
    if (!found) return nullptr;
    viewer->present();
    return viewer;
}
