#include "app/ui/help_dialog.h"

#include "app/command_table.h"
#include "common/ui/qt_prompt.h"
#include "session/rights.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace kszw {

namespace {

QString fromTable(std::string_view text)
{
    return qtText(text).remove(QLatin1Char('&'));
}

// A table cell: the characters Markdown would read as table syntax are escaped.
QString cell(QString text)
{
    return text.replace(QLatin1Char('|'), QStringLiteral("\\|")).replace(QLatin1Char('*'), QStringLiteral("\\*"));
}

QString rightText(std::string_view code)
{
    if (code.empty())
        return QStringLiteral("—");
    // A command open to either of two rights names them "0101|0305".
    QStringList parts;
    size_t start = 0;
    while (start <= code.size()) {
        const size_t bar = std::min(code.find('|', start), code.size());
        const std::string_view one = code.substr(start, bar - start);
        QString part = fromTable(one);
        for (const Right& right : kRights)
            if (right.code == one)
                part += QLatin1Char(' ') + fromTable(right.name);
        parts << part;
        start = bar + 1;
    }
    return parts.join(QStringLiteral(" 或 "));
}

} // namespace

QString commandAppendix()
{
    QString text = QStringLiteral("## 附录：命令一览\n\n"
                                  "下表按主菜单的顺序列出每条命令、它的作用和使用它所需的权限；"
                                  "没有权限的命令在菜单中是灰色的。\n");
    for (const MenuInfo& menu : mainMenu()) {
        text += QStringLiteral("\n### ") + fromTable(menu.title) + QStringLiteral("\n\n");
        text += QStringLiteral("| 命令 | 作用 | 所需权限 |\n|---|---|---|\n");
        for (int id : menu.items) {
            const CommandInfo* info = id ? findCommand(id) : nullptr;
            if (!info || info->text.empty())
                continue;
            QString name = fromTable(info->text);
            if (!info->shortcut.empty())
                name += QStringLiteral("（") + fromTable(info->shortcut) + QStringLiteral("）");
            text += QStringLiteral("| ") + cell(name) + QStringLiteral(" | ") + cell(fromTable(statusPrompt(*info)))
                    + QStringLiteral(" | ") + cell(rightText(info->permission)) + QStringLiteral(" |\n");
        }
    }
    return text;
}

QString headingAnchor(const QString& heading)
{
    QString anchor;
    for (QChar c : heading.trimmed().toLower()) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
            anchor += c;
        else if (c.isSpace())
            anchor += QLatin1Char('-');
    }
    return anchor;
}

// ---- GuideBrowser ----

GuideBrowser::GuideBrowser(QWidget* parent) : QTextBrowser(parent), m_refit(new QTimer(this))
{
    // Relative names ("images/x.png") are looked up inside the program's copy of the guide.
    setSearchPaths({QString::fromLatin1(kGuideFolder)});
    m_refit->setSingleShot(true);
    m_refit->setInterval(120);
    connect(m_refit, &QTimer::timeout, this, &GuideBrowser::refitImages);
}

int GuideBrowser::fitWidth() const
{
    // Room for a picture inside a list item: one level of indentation is left free.
    const QTextDocument* doc = document();
    return qMax(200, viewport()->width() - 2 * int(doc->documentMargin()) - 2 * int(doc->indentWidth()) - 8);
}

QVariant GuideBrowser::loadResource(int type, const QUrl& name)
{
    QVariant loaded = QTextBrowser::loadResource(type, name);
    if (type != QTextDocument::ImageResource || !loaded.isValid())
        return loaded;
    QImage image;
    if (loaded.canConvert<QImage>())
        image = loaded.value<QImage>();
    else
        image.loadFromData(loaded.toByteArray());
    if (image.isNull())
        return loaded;
    const int width = fitWidth();
    if (image.width() > width)
        image = image.scaledToWidth(width, Qt::SmoothTransformation);
    return image;
}

void GuideBrowser::refitImages()
{
    const int width = fitWidth();
    if (width == m_fittedWidth)
        return;
    m_fittedWidth = width;
    // Every picture is loaded again at the new width; the layout follows.
    QTextDocument* doc = document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QUrl url(format.toImageFormat().name());
            doc->addResource(QTextDocument::ImageResource, url, loadResource(QTextDocument::ImageResource, url));
        }
    }
    doc->markContentsDirty(0, doc->characterCount());
}

bool GuideBrowser::viewportEvent(QEvent* event)
{
    // The view narrows with the window and when its scroll bar appears.
    if (event->type() == QEvent::Resize)
        m_refit->start();
    return QTextBrowser::viewportEvent(event);
}

// ---- HelpDialog ----

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("帮助主题"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_browser = new GuideBrowser(this);
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpDialog::followLink);

    m_find = new QLineEdit(this);
    m_find->setPlaceholderText(QStringLiteral("要查找的文字"));
    m_find->setClearButtonEnabled(true);
    m_find->installEventFilter(this);
    auto* findLabel = new QLabel(QStringLiteral("查找(&F)："), this);
    findLabel->setBuddy(m_find);
    auto* next = new QPushButton(QStringLiteral("下一个(&N)"), this);
    auto* previous = new QPushButton(QStringLiteral("上一个(&P)"), this);
    next->setAutoDefault(false);
    previous->setAutoDefault(false);
    m_status = new QLabel(this);
    connect(next, &QPushButton::clicked, this, [this] { findNext(false); });
    connect(previous, &QPushButton::clicked, this, [this] { findNext(true); });
    connect(m_find, &QLineEdit::returnPressed, this, [this] { findNext(false); });
    connect(m_find, &QLineEdit::textChanged, m_status, &QLabel::clear);

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_find, 1);
    findRow->addWidget(next);
    findRow->addWidget(previous);
    findRow->addWidget(m_status);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setText(QStringLiteral("关闭"));
    close->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addWidget(m_browser, 1);
    layout->addWidget(buttons);

    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        m_find->setFocus();
        m_find->selectAll();
    });
    auto* nextKey = new QShortcut(QKeySequence::FindNext, this);
    connect(nextKey, &QShortcut::activated, this, [this] { findNext(false); });
    auto* previousKey = new QShortcut(QKeySequence::FindPrevious, this);
    connect(previousKey, &QShortcut::activated, this, [this] { findNext(true); });

    loadGuide();
    resize(900, 700);
    m_browser->setFocus();
}

void HelpDialog::loadGuide()
{
    QString text;
    QFile guide(QString::fromLatin1(kGuideResource));
    if (guide.open(QIODevice::ReadOnly)) {
        text = QString::fromUtf8(guide.readAll());
        m_hasGuide = !text.trimmed().isEmpty();
    }
    if (m_hasGuide)
        text += QStringLiteral("\n\n");
    text += commandAppendix();
    m_browser->document()->setBaseUrl(QUrl(QStringLiteral("qrc:/guide/")));
    // The guide is plain Markdown: a "<" in it is a character to show ("<Delete>"), never a tag.
    m_browser->document()->setMarkdown(text, QTextDocument::MarkdownFeatures(QTextDocument::MarkdownDialectGitHub
                                                                             | QTextDocument::MarkdownNoHTML));
    prepareBlocks();
    // The guide opens at its beginning.
    m_browser->moveCursor(QTextCursor::Start);
    m_browser->verticalScrollBar()->setValue(0);
}

void HelpDialog::prepareBlocks()
{
    // Links within the guide are written to headings ("[凭证制作](#凭证制作)"): each heading gets
    // the anchor name such a link uses.
    // Long lines of a command example wrap like the text around them: the window never scrolls
    // sideways.
    QTextCursor cursor(m_browser->document());
    for (QTextBlock block = m_browser->document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().nonBreakableLines()) {
            cursor.setPosition(block.position());
            QTextBlockFormat wrapping;
            wrapping.setNonBreakableLines(false);
            cursor.mergeBlockFormat(wrapping);
        }
        if (block.blockFormat().headingLevel() == 0 || block.text().trimmed().isEmpty())
            continue;
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorNames({headingAnchor(block.text())});
        cursor.mergeCharFormat(format);
    }
    m_browser->document()->setModified(false);
}

bool HelpDialog::findNext(bool backward)
{
    const QString text = m_find->text();
    if (text.isEmpty()) {
        m_find->setFocus();
        return false;
    }
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = m_browser->find(text, flags);
    if (!found) {
        // From the other end once.
        QTextCursor cursor = m_browser->textCursor();
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        m_browser->setTextCursor(cursor);
        found = m_browser->find(text, flags);
    }
    m_status->setText(found ? QString() : QStringLiteral("找不到“%1”").arg(text));
    return found;
}

void HelpDialog::followLink(const QUrl& url)
{
    if (url.isRelative() && url.path().isEmpty() && url.hasFragment()) {
        m_browser->scrollToAnchor(url.fragment());
        return;
    }
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto"))
        QDesktopServices::openUrl(url);
}

bool HelpDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Page Up and Page Down turn the guide's pages while the find field has the keyboard.
    if (watched == m_find && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            m_browser->verticalScrollBar()->triggerAction(key == Qt::Key_PageUp ? QAbstractSlider::SliderPageStepSub
                                                                                : QAbstractSlider::SliderPageStepAdd);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
