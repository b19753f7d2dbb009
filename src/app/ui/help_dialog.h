// 帮助主题: the user guide, built into the program, shown in a window of its own, followed by the
// appendix "附录：命令一览" — every menu, its commands, what each one does and the right it needs —
// made from the command table. The window finds text (Ctrl+F, F3), follows the guide's links
// within itself and opens links to the outside in the desktop's browser.
#pragma once

#include <QDialog>
#include <QString>
#include <QTextBrowser>
#include <QUrl>

class QLabel;
class QLineEdit;
class QTimer;

namespace kszw {

// Where the guide travels inside the program.
inline constexpr const char* kGuideResource = ":/guide/guide.md";
inline constexpr const char* kGuideFolder = ":/guide";

// The appendix in Markdown: its heading, then one table per menu.
QString commandAppendix();
// The anchor name of a heading as links to it are written: letters and digits kept (lower case),
// blanks as "-", other punctuation dropped.
QString headingAnchor(const QString& heading);

// The guide's text view: pictures wider than the view are shown scaled down to its width.
class GuideBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit GuideBrowser(QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;
    // Fits every picture to the present width again.
    void refitImages();

protected:
    bool viewportEvent(QEvent* event) override;

private:
    int fitWidth() const;
    QTimer* m_refit;
    int m_fittedWidth = 0;
};

class HelpDialog : public QDialog {
    Q_OBJECT
public:
    explicit HelpDialog(QWidget* parent = nullptr);

    GuideBrowser* browser() const { return m_browser; }
    QLineEdit* findField() const { return m_find; }
    QLabel* findStatus() const { return m_status; }
    // True when the guide was found inside the program (else the appendix is shown alone).
    bool hasGuide() const { return m_hasGuide; }

public slots:
    // Finds the find field's text after the caret (backward: before it), from the other end when
    // the end is reached; false when the text is nowhere.
    bool findNext(bool backward = false);
    // Follows a link: within the guide to its anchor, to the outside in the desktop's browser.
    void followLink(const QUrl& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadGuide();
    // Names the headings for the links to them; lets command examples wrap.
    void prepareBlocks();

    GuideBrowser* m_browser;
    QLineEdit* m_find;
    QLabel* m_status;
    bool m_hasGuide = false;
};

} // namespace kszw
