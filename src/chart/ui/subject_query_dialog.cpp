// The subject query: browsing or looking up one level at a time, with a name condition.
#include "chart/ui/subject_query_dialog.h"

#include "chart/opening_balances.h"
#include "chart/subject_codes.h"
#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kszw {

namespace {

constexpr int kCodeColumns = 18; // "%-18s%s"
constexpr int kLineColumns = kCodeColumns + 30;

QPushButton* plainButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CSubjectQueryDlg::CSubjectQueryDlg(Database& db, Prompt& prompt, bool lookup, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_lookup(lookup)
{
    setWindowTitle(QStringLiteral("科目查询"));
    const QFont listFont = chartFixedFont(font());

    m_code = new CSpecEdit(this);
    m_code->SetInputSpec(QStringLiteral("CLASSNOSTRING"), kMaxSubjectLevels - 1, 0);
    m_code->setMaxLength(kMaxSubjectCodeLength + 1);
    m_code->setFont(listFont);
    m_code->setMinimumWidth(QFontMetrics(listFont).horizontalAdvance(QString(kMaxSubjectCodeLength + 2, QLatin1Char('0'))));
    m_code->installEventFilter(this);
    auto* codeLabel = new QLabel(QStringLiteral("科目代码(&K)："), this);
    codeLabel->setBuddy(m_code);

    m_list = new QListWidget(this);
    m_list->setFont(listFont);
    // Room for a level of some twenty subjects with their names.
    m_list->setMinimumSize(QFontMetrics(listFont).horizontalAdvance(QString(46, QLatin1Char('0'))),
                           QFontMetrics(listFont).lineSpacing() * 20);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->installEventFilter(this);
    sizeLevelList(*m_list, kLineColumns, 14);
    m_count = new QLabel(this);
    auto* hint = new QLabel(m_lookup ? QStringLiteral("选定:双击或回车  子目[→]  上级[←]")
                                     : QStringLiteral("子目[→]  上级[←]"),
                            this);

    m_condition = new CSpecEdit(this);
    m_condition->SetInputSpec(QStringLiteral("STRING NOT |[]'\""), 30, 0);
    m_condition->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QString(12, QChar(0x6C49))));
    m_condition->setToolTip(QStringLiteral("输入名称中的文字后按回车"));
    m_condition->installEventFilter(this);
    auto* conditionLabel = new QLabel(QStringLiteral("&V.查询条件"), this);
    conditionLabel->setBuddy(m_condition);
    m_clear = plainButton(QStringLiteral("&C.清条件"), this);

    m_enter = plainButton(QStringLiteral("&N.进子目"), this);
    m_up = plainButton(QStringLiteral("&U.上一级"), this);
    QPushButton* close = nullptr;
    if (m_lookup) {
        m_choose = plainButton(QStringLiteral("&S.选定"), this);
        close = plainButton(QStringLiteral("&X.取消"), this);
    } else {
        close = plainButton(QStringLiteral("&X.关闭"), this);
    }

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(codeLabel);
    codeRow->addWidget(m_code);
    codeRow->addStretch(1);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(m_count);
    countRow->addStretch(1);
    countRow->addWidget(hint);
    auto* conditionRow = new QHBoxLayout;
    conditionRow->addWidget(conditionLabel);
    conditionRow->addWidget(m_condition, 1);
    conditionRow->addWidget(m_clear);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_enter);
    buttons->addWidget(m_up);
    buttons->addStretch(1);
    if (m_choose)
        buttons->addWidget(m_choose);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(codeRow);
    layout->addWidget(m_list, 1);
    layout->addLayout(countRow);
    layout->addLayout(conditionRow);
    layout->addSpacing(4);
    layout->addLayout(buttons);

    connect(m_code, &QLineEdit::textEdited, this, &CSubjectQueryDlg::locateTyped);
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { selectionChanged(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_lookup)
            choose();
        else
            enterSelected();
    });
    connect(m_clear, &QPushButton::clicked, this, &CSubjectQueryDlg::clearCondition);
    connect(m_enter, &QPushButton::clicked, this, &CSubjectQueryDlg::enterSelected);
    connect(m_up, &QPushButton::clicked, this, &CSubjectQueryDlg::goUp);
    if (m_choose)
        connect(m_choose, &QPushButton::clicked, this, &CSubjectQueryDlg::choose);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    showLevel(std::string(), std::string(), QString());
    m_list->setFocus();
}

bool CSubjectQueryDlg::checkHasSubjects(Database& db, Prompt& prompt)
{
    try {
        if (hasSubjects(db))
            return true;
        prompt.warn(kNoSubjectsForQuery);
    } catch (const DatabaseError& error) {
        warnDatabaseError(prompt, error, db);
    }
    return false;
}

void CSubjectQueryDlg::browseSubjects(Database& db, Prompt& prompt, QWidget* parent)
{
    if (!checkHasSubjects(db, prompt))
        return;
    CSubjectQueryDlg dialog(db, prompt, false, parent);
    dialog.exec();
}

std::optional<QString> CSubjectQueryDlg::lookUpSubject(Database& db, Prompt& prompt, const QString& startCode,
                                                       QWidget* parent)
{
    if (!checkHasSubjects(db, prompt))
        return std::nullopt;
    CSubjectQueryDlg dialog(db, prompt, true, parent);
    dialog.showCode(startCode);
    if (dialog.exec() != QDialog::Accepted || dialog.chosenCode().isEmpty())
        return std::nullopt;
    return dialog.chosenCode();
}

QString CSubjectQueryDlg::selectedCode() const
{
    return currentSubjectCode(*m_list);
}

bool CSubjectQueryDlg::showLevel(const std::string& parent, const std::string& condition, const QString& select,
                                 int row)
{
    std::vector<SubjectLine> lines;
    try {
        lines = querySubjectLevel(m_db, parent, condition);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return false;
    }
    if (lines.empty() && !(parent.empty() && condition.empty()))
        return false;
    m_level = parent;
    m_conditionText = condition;
    m_lines = std::move(lines);
    m_list->clear();
    for (const SubjectLine& line : m_lines) {
        auto* item = new QListWidgetItem(subjectLine(line.code, line.name, kCodeColumns), m_list);
        item->setData(kSubjectCodeRole, qtText(line.code));
    }
    m_count->setText(QStringLiteral("本级有科目%1个").arg(m_list->count()));
    selectSubjectLine(*m_list, select, row);
    m_up->setEnabled(!m_level.empty());
    selectionChanged();
    return true;
}

void CSubjectQueryDlg::showCode(const QString& code)
{
    const std::string typed = code.trimmed().toStdString();
    std::string parent = parentSubjectCode(typed);
    try {
        if (!parent.empty() && !subjectExists(m_db, parent))
            parent.clear();
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (!showLevel(parent, m_conditionText, QString()))
        return;
    locateTyped(code.trimmed());
    m_code->setText(selectedCode());
}

void CSubjectQueryDlg::locateTyped(const QString& typed)
{
    const std::string code = typed.trimmed().toStdString();
    if (code.empty())
        return;
    m_locating = true;
    try {
        const std::string parent = parentSubjectCode(code);
        // A code of another level brings that level, when its parent exists and it has lines.
        if (parent != m_level && (parent.empty() || subjectExists(m_db, parent)))
            showLevel(parent, m_conditionText, QString());
        if (parent == m_level && m_list->count() > 0) {
            int row = m_conditionText.empty() ? locateSubjectInLevel(m_db, m_level, code)
                                              : locateSubjectInLines(m_lines, code);
            m_list->setCurrentRow(std::clamp(row, 0, m_list->count() - 1));
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
    m_locating = false;
}

void CSubjectQueryDlg::selectionChanged()
{
    const QString code = selectedCode();
    if (!m_locating)
        m_code->setText(code);
    bool hasChildren = false;
    try {
        hasChildren = !code.isEmpty() && descendantCount(m_db, code.toStdString()) > 0;
    } catch (const DatabaseError&) {
        // The button stays off; entering would tell what is wrong with the file.
    }
    m_enter->setEnabled(hasChildren);
    if (m_choose)
        m_choose->setEnabled(!code.isEmpty());
}

void CSubjectQueryDlg::applyCondition()
{
    const std::string condition = m_condition->text().trimmed().toStdString();
    if (!showLevel(m_level, condition, selectedCode())) {
        m_prompt.warn(kNoSubjectsMatching);
        m_condition->setFocus();
        m_condition->selectAll();
        return;
    }
    m_list->setFocus();
}

void CSubjectQueryDlg::clearCondition()
{
    m_condition->clear();
    if (!showLevel(m_level, std::string(), selectedCode()))
        showLevel(std::string(), std::string(), QString());
    m_list->setFocus();
}

void CSubjectQueryDlg::enterSelected()
{
    const QString code = selectedCode();
    if (code.isEmpty() || !m_enter->isEnabled())
        return;
    if (!showLevel(code.toStdString(), m_conditionText, QString()))
        m_prompt.warn(kNoSubjectsMatching);
    m_list->setFocus();
}

void CSubjectQueryDlg::goUp()
{
    if (m_level.empty())
        return;
    const QString former = levelCode();
    if (!showLevel(parentSubjectCode(m_level), m_conditionText, former))
        m_prompt.warn(kNoSubjectsMatching);
    m_list->setFocus();
}

void CSubjectQueryDlg::choose()
{
    const QString code = selectedCode();
    if (!m_lookup || code.isEmpty())
        return;
    m_chosen = code;
    accept();
}

bool CSubjectQueryDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The code box shows the selected code: coming to it by the keyboard, typing replaces it.
    if (watched == m_code && event->type() == QEvent::FocusIn)
        m_code->selectAll();
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return QDialog::eventFilter(watched, event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == m_condition && enter) {
        applyCondition();
        return true;
    }
    if (watched == m_code && enter) {
        if (m_lookup)
            choose();
        else
            m_list->setFocus();
        return true;
    }
    if (watched == m_list) {
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_lookup)
                choose();
            else
                enterSelected();
            return true;
        case Qt::Key_Right: enterSelected(); return true;
        case Qt::Key_Left: goUp(); return true;
        default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
