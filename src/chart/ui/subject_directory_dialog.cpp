// The chart directory: one level at a time, its keys, and the subject and subtree operations.
#include "chart/ui/subject_directory_dialog.h"

#include "chart/subject_codes.h"
#include "chart/ui/chart_dialog_support.h"
#include "chart/ui/subject_dialog.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace kszw {

namespace {

constexpr int kCodeColumns = 17; // "%-17s%s"
constexpr int kLineColumns = kCodeColumns + 30;

QPushButton* sideButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CSubjectDirectoryDlg::CSubjectDirectoryDlg(Database& db, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("科目目录操纵"));
    runSubjectDialog = [](CSubjectDlg& dialog) { return dialog.exec(); };
    const QFont listFont = chartFixedFont(font());

    // The code box names the level shown; its drop-down holds the codes on the way down to it.
    m_codeBox = new QComboBox(this);
    auto* codeEdit = new CSpecEdit(m_codeBox);
    codeEdit->SetInputSpec(QStringLiteral("CLASSNOSTRING"), kMaxSubjectLevels - 1, 0);
    codeEdit->setMaxLength(kMaxSubjectCodeLength + 1);
    m_codeBox->setEditable(true);
    m_codeBox->setLineEdit(codeEdit);
    m_codeBox->setInsertPolicy(QComboBox::NoInsert);
    m_codeBox->setCompleter(nullptr);
    m_codeBox->setFont(listFont);
    m_codeBox->setMinimumContentsLength(kMaxSubjectCodeLength + 2);
    codeEdit->installEventFilter(this);
    auto* codeLabel = new QLabel(QStringLiteral("科目代码(&K)："), this);
    codeLabel->setBuddy(m_codeBox);

    m_list = new QListWidget(this);
    m_list->setFont(listFont);
    // Room for a level of some twenty subjects with their names.
    m_list->setMinimumSize(QFontMetrics(listFont).horizontalAdvance(QString(46, QLatin1Char('0'))),
                           QFontMetrics(listFont).lineSpacing() * 20);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->installEventFilter(this);
    sizeLevelList(*m_list, kLineColumns, 16);

    m_count = new QLabel(this);
    m_count->setMinimumWidth(QFontMetrics(m_count->font()).horizontalAdvance(QStringLiteral("请按增加按扭增加科目")) + 8);
    m_sourceLabel = new QLabel(this);

    m_add = sideButton(QStringLiteral("增加(&A)"), this);
    m_modify = sideButton(QStringLiteral("修改(&S)"), this);
    m_subtree = sideButton(QStringLiteral("&B.子目操纵"), this);
    auto* close = sideButton(QStringLiteral("&X.关闭"), this);

    m_menu = new QMenu(this);
    connect(m_menu->addAction(QStringLiteral("进入子目录(&E)")), &QAction::triggered, this,
            &CSubjectDirectoryDlg::enterSelected);
    m_menu->addSeparator();
    connect(m_menu->addAction(QStringLiteral("复制子科目(&C)")), &QAction::triggered, this,
            &CSubjectDirectoryDlg::copyChildren);
    connect(m_menu->addAction(QStringLiteral("移动子科目(&M)")), &QAction::triggered, this,
            &CSubjectDirectoryDlg::moveChildren);
    connect(m_menu->addAction(QStringLiteral("粘贴子科目(&P)")), &QAction::triggered, this,
            &CSubjectDirectoryDlg::pasteChildren);
    m_menu->addSeparator();
    connect(m_menu->addAction(QStringLiteral("删除子科目(&D)")), &QAction::triggered, this,
            &CSubjectDirectoryDlg::deleteChildrenOfSelected);
    m_subtree->setMenu(m_menu);

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(codeLabel);
    codeRow->addWidget(m_codeBox);
    codeRow->addStretch(1);

    auto* side = new QVBoxLayout;
    side->addWidget(m_add);
    side->addWidget(m_modify);
    side->addWidget(m_subtree);
    side->addStretch(1);
    side->addWidget(close);

    auto* grid = new QGridLayout(this);
    grid->addLayout(codeRow, 0, 0);
    grid->addWidget(m_list, 1, 0);
    grid->addLayout(side, 1, 1);
    auto* texts = new QHBoxLayout;
    texts->addWidget(m_count);
    texts->addStretch(1);
    texts->addWidget(m_sourceLabel);
    grid->addLayout(texts, 2, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);

    // A code chosen from the drop-down, or typed and confirmed with Enter. Keys that reach the code
    // box itself are handed to its edit field past the filter: its Enter comes as returnPressed.
    connect(m_codeBox, &QComboBox::activated, this, [this] { showTypedCode(); });
    connect(m_codeBox->lineEdit(), &QLineEdit::returnPressed, this, [this] { showTypedCode(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { modifySelected(); });
    connect(m_add, &QPushButton::clicked, this, &CSubjectDirectoryDlg::addNew);
    connect(m_modify, &QPushButton::clicked, this, &CSubjectDirectoryDlg::modifySelected);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    showLevel(QString());
    m_list->setFocus();
}

QString CSubjectDirectoryDlg::selectedCode() const
{
    return currentSubjectCode(*m_list);
}

void CSubjectDirectoryDlg::showLevel(const QString& parent, const QString& select, int row)
{
    std::vector<SubjectLine> lines;
    try {
        lines = listSubjectLevel(m_db, parent.toStdString());
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    m_level = parent.toStdString();
    m_list->clear();
    for (const SubjectLine& line : lines) {
        auto* item = new QListWidgetItem(subjectLine(line.code, line.name, kCodeColumns), m_list);
        item->setData(kSubjectCodeRole, qtText(line.code));
    }
    selectSubjectLine(*m_list, select, row);

    // The drop-down: every level on the way from the top to this one.
    QStringList way;
    for (std::string code = m_level; !code.empty(); code = parentSubjectCode(code))
        way.prepend(qtText(code));
    m_codeBox->clear();
    m_codeBox->addItems(way);
    m_codeBox->setCurrentIndex(m_codeBox->count() - 1);
    m_codeBox->setEditText(parent);
    updateCount();
}

void CSubjectDirectoryDlg::updateCount()
{
    const int count = m_list->count();
    if (count == 0)
        m_count->setText(QStringLiteral("请按增加按扭增加科目"));
    else
        m_count->setText(QStringLiteral("本级共有科目%1个").arg(count) + displayText("\n子目[→]、 上级[←]"));
    m_modify->setEnabled(count > 0);
    m_subtree->setEnabled(count > 0);
}

void CSubjectDirectoryDlg::updateSourceLabel()
{
    if (!m_source) {
        m_sourceLabel->clear();
        return;
    }
    const QString kind = m_source->kind == SubtreeKind::Copy ? QStringLiteral("复制") : QStringLiteral("移动");
    m_sourceLabel->setText(QStringLiteral("待粘贴：%1的子科目（%2）").arg(qtText(m_source->code), kind));
}

void CSubjectDirectoryDlg::refocusCodeBox()
{
    m_codeBox->setFocus();
    m_codeBox->lineEdit()->selectAll();
}

void CSubjectDirectoryDlg::showTypedCode()
{
    // The code box holds the code of the level shown: a code typed or chosen there shows that
    // code's level, its children ("1002" and "1002-" alike).
    QString typed = m_codeBox->currentText().trimmed();
    while (typed.endsWith(QLatin1Char('-')))
        typed.chop(1);
    if (typed.isEmpty()) {
        showLevel(QString());
        m_list->setFocus();
        return;
    }
    const std::string code = typed.toStdString();
    try {
        std::optional<std::string> refusal = checkSubjectExists(m_db, code);
        if (!refusal)
            refusal = checkEnterChildren(m_db, code);
        if (refusal) {
            m_prompt.warn(*refusal);
            refocusCodeBox();
            return;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    showLevel(typed);
    m_list->setFocus();
}

void CSubjectDirectoryDlg::enterSelected()
{
    const QString code = selectedCode();
    if (code.isEmpty())
        return;
    try {
        if (std::optional<std::string> refusal = checkEnterChildren(m_db, code.toStdString())) {
            m_prompt.warn(*refusal);
            return;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    showLevel(code);
    m_list->setFocus();
}

void CSubjectDirectoryDlg::goUp()
{
    if (m_level.empty())
        return;
    const QString former = levelCode();
    showLevel(qtText(parentSubjectCode(m_level)), former);
    m_list->setFocus();
}

void CSubjectDirectoryDlg::addNew()
{
    try {
        if (std::optional<std::string> refusal = checkCanAddChild(m_db, m_level)) {
            m_prompt.warn(*refusal);
            m_list->setFocus();
            return;
        }
        CSubjectDlg dialog(m_db, m_prompt, CSubjectDlg::Mode::Add, levelCode(), this);
        if (runSubjectDialog(dialog) == QDialog::Accepted)
            showLevel(levelCode(), dialog.savedCode());
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
    m_list->setFocus();
}

void CSubjectDirectoryDlg::modifySelected()
{
    const QString code = selectedCode();
    if (code.isEmpty())
        return;
    try {
        CSubjectDlg dialog(m_db, m_prompt, CSubjectDlg::Mode::Modify, code, this);
        if (runSubjectDialog(dialog) == QDialog::Accepted)
            showLevel(levelCode(), dialog.savedCode());
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
    m_list->setFocus();
}

void CSubjectDirectoryDlg::deleteSelected()
{
    const QString code = selectedCode();
    if (code.isEmpty())
        return;
    const int row = m_list->currentRow();
    try {
        if (std::optional<std::string> refusal = deleteSubject(m_db, code.toStdString())) {
            m_prompt.warn(*refusal);
            return;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    // The line that took the deleted one's place (or the new last line) is selected.
    showLevel(levelCode(), QString(), row);
}

void CSubjectDirectoryDlg::chooseSource(SubtreeKind kind)
{
    const QString code = selectedCode();
    if (code.isEmpty())
        return;
    try {
        if (std::optional<std::string> refusal = checkSubtreeSource(m_db, code.toStdString(), kind)) {
            m_prompt.warn(*refusal);
            return;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    m_source = SubtreeSource{code.toStdString(), kind};
    updateSourceLabel();
}

void CSubjectDirectoryDlg::copyChildren()
{
    chooseSource(SubtreeKind::Copy);
}

void CSubjectDirectoryDlg::moveChildren()
{
    chooseSource(SubtreeKind::Move);
}

void CSubjectDirectoryDlg::pasteChildren()
{
    const QString code = selectedCode();
    if (code.isEmpty())
        return;
    try {
        if (std::optional<std::string> refusal = pasteSubtree(m_db, m_source, code.toStdString())) {
            m_prompt.warn(*refusal);
            return;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    // A source is pasted once; a moved source no longer has the children.
    m_source.reset();
    updateSourceLabel();
    showLevel(levelCode(), code);
}

void CSubjectDirectoryDlg::deleteChildrenOfSelected()
{
    const QString code = selectedCode();
    if (code.isEmpty())
        return;
    bool deleted = false;
    try {
        if (std::optional<std::string> refusal = deleteChildren(m_db, code.toStdString(), m_prompt, &deleted)) {
            m_prompt.warn(*refusal);
            return;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (deleted)
        showLevel(levelCode(), code);
}

bool CSubjectDirectoryDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The code box shows the level's code: coming to it by the keyboard, typing replaces it.
    if (watched == m_codeBox->lineEdit() && event->type() == QEvent::FocusIn)
        m_codeBox->lineEdit()->selectAll();
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return QDialog::eventFilter(watched, event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == m_codeBox->lineEdit() && enter) {
        showTypedCode();
        return true;
    }
    if (watched == m_list) {
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: modifySelected(); return true;
        case Qt::Key_Delete: deleteSelected(); return true;
        case Qt::Key_Right: enterSelected(); return true;
        case Qt::Key_Left: goUp(); return true;
        default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
