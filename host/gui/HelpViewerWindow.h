#pragma once
// The stand-in's help library: shows a help book (one HTML file whose topics
// begin with a "<!--topic NAME-->" mark and carry the anchor "a_NAME") one
// topic at a time, with its contents beside it. Plug-ins reach it through the
// exported entry HtmlHelpA, as they would reach the system's help library.
#include <QWidget>

#include <cstdint>

class QListWidget;
class QTextBrowser;

namespace velmora::host {

class HelpViewerWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewerWindow(QWidget* parent = nullptr);

    // Reads a book; false (and the old one kept) when it cannot be read or has no topic.
    bool load(const QString& file);
    const QString& file() const { return file_; }
    // The first topic, the book's start page.
    void showStart();
    // False when the book has no such topic.
    bool showTopic(const QString& name);
    // The first topic whose name or title holds the keyword (any of several
    // separated by ";"); false when none does.
    bool showKeyword(const QString& keywords);
    // An index page: every topic's title in alphabetical order, each a link to it.
    void showIndexPage();
    // The current topic's name; empty on the index page.
    QString currentTopic() const;
    QStringList topicNames() const;

    // The one viewer of the process, made on first use. While a modal dialog
    // runs it is that dialog's child, so that the user can read and click it.
    static HelpViewerWindow* instance();
    // Closes the viewer (the host does so when it closes).
    static void closeInstance();
    // Shows the viewer in front; placed beside the asking window (a modal
    // dialog stays visible and usable) the first time and whenever it would
    // cover that window.
    void present();
    // Where a viewer of `size` goes beside `asking` inside `area`: the side
    // with room (right, then left), narrowed to the roomier side when that
    // leaves it readable, else at the roomier side's edge, kept on the screen.
    static QRect placeBeside(const QRect& asking, QSize size, const QRect& area);
    // The interface language changed: an open viewer shows the same topic in
    // the book of the help folder code ("ENU", "CSY", "RUS") when there is one.
    static void followLanguage(const QString& folderCode);

private:
    struct Topic {
        QString name, title, html;
    };
    void showIndex(int index);
    void follow(const QUrl& link);

    QString file_;
    QList<Topic> topics_;
    QListWidget* contents_;
    QTextBrowser* page_;
};

}  // namespace velmora::host

// The help library's entry (see Platform.h's HtmlHelpEntry): command 0 opens
// the book at its start page, 0x0D looks up a keyword and 0x13 an A-link
// ("a_" + topic) given in the link record; the answer is the viewer, or null
// when the book cannot be read or the look-up found nothing.
extern "C" void* HtmlHelpA(void* owner, const char* file, unsigned command, std::uintptr_t data);
