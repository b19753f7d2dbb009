#include "session/ui/operator_dialog.h"

#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "session/kszw_env.h"
#include "session/operators.h"
#include "session/rights.h"
#include "session/ui/operator_edit_dialog.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kszw {

namespace {

// The operator list's lines are fixed-width texts: a font whose Chinese characters are exactly two
// Latin characters wide keeps the names in one column under their head.
QFont fixedPitchFont(const QFont& base)
{
    QFont font(base);
    font.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("WenQuanYi Zen Hei Mono"),
                      QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

constexpr int kCodeRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;

} // namespace

COperatorDlg::COperatorDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("操作员及其权限管理"));
    const QFont listFont = fixedPitchFont(font());

    // The head of the operator list: "操作员代码" takes the 10 columns of a code left-aligned in 11.
    m_header = new QLabel(QStringLiteral("操作员代码 姓  名"), this);
    m_header->setFont(listFont);
    m_operators = new QListWidget(this);
    m_operators->setFont(listFont);
    m_operators->setSelectionMode(QAbstractItemView::SingleSelection);
    m_operators->installEventFilter(this);
    const QFontMetrics listMetrics(listFont);
    m_operators->setMinimumWidth(listMetrics.horizontalAdvance(QString(24, QLatin1Char('0')))
                                 + 2 * m_operators->frameWidth() + 24);
    // The head starts where the list's texts start: inside the frame and the item's margin.
    m_header->setIndent(m_operators->frameWidth() + 3);
    auto* listHint = new QLabel(QStringLiteral("修改:双击或回车. 删除:<Delete>"), this);
    m_add = new QPushButton(QStringLiteral("&A.增加操作员"), this);
    m_add->setAutoDefault(false);

    auto* left = new QVBoxLayout;
    left->addWidget(m_header);
    left->addWidget(m_operators, 1);
    left->addWidget(listHint);
    left->addWidget(m_add, 0, Qt::AlignLeft);

    auto* rightsBox = new QGroupBox(QStringLiteral("操作员权限表"), this);
    m_rights = new QListWidget(rightsBox);
    m_rights->setFont(listFont);
    m_rights->setSelectionMode(QAbstractItemView::NoSelection);
    for (const Right& right : kRights) {
        auto* item = new QListWidgetItem(qtText(right.code) + QStringLiteral("  ") + qtText(right.name), m_rights);
        item->setData(kCodeRole, qtText(right.code));
        item->setCheckState(Qt::Unchecked);
    }
    // Every right in sight at once, without scrolling.
    m_rights->setMinimumHeight(m_rights->sizeHintForRow(0) * static_cast<int>(kRights.size())
                               + 2 * m_rights->frameWidth() + 4);
    m_rights->setMinimumWidth(m_rights->sizeHintForColumn(0) + 2 * m_rights->frameWidth() + 24);
    auto* rightsHint = new QLabel(QStringLiteral("     单击小方框收授权限"), rightsBox);
    auto* rightsLayout = new QVBoxLayout(rightsBox);
    rightsLayout->addWidget(m_rights, 1);
    rightsLayout->addWidget(rightsHint);

    auto* close = new QPushButton(QStringLiteral("&X.关闭"), this);
    close->setAutoDefault(false);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addWidget(rightsBox, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(bottom);

    connect(m_add, &QPushButton::clicked, this, &COperatorDlg::addNew);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_operators, &QListWidget::currentRowChanged, this, [this] { fillRights(); });
    connect(m_operators, &QListWidget::itemDoubleClicked, this, [this] { modifySelected(); });
    connect(m_rights, &QListWidget::itemChanged, this, &COperatorDlg::rightClicked);

    fillOperators();
    m_operators->setFocus();
}

QString COperatorDlg::selectedCode() const
{
    const QListWidgetItem* item = m_operators->currentItem();
    return item ? item->data(kCodeRole).toString() : QString();
}

void COperatorDlg::fillOperators(const QString& selectCode)
{
    m_filling = true;
    m_operators->clear();
    try {
        const std::vector<OperatorEntry> entries = listOperators(m_env.db());
        for (const OperatorEntry& entry : entries) {
            auto* item = new QListWidgetItem(qtText(operatorLine(entry.code, entry.name)), m_operators);
            item->setData(kCodeRole, qtText(entry.code));
            item->setData(kNameRole, qtText(entry.name));
        }
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, m_env.db().path()));
    }
    int row = preselectedOperatorLine(m_operators->count());
    for (int i = 0; i < m_operators->count() && !selectCode.isEmpty(); ++i)
        if (m_operators->item(i)->data(kCodeRole).toString() == selectCode)
            row = i;
    m_operators->setCurrentRow(row);
    m_filling = false;
    fillRights();
}

void COperatorDlg::fillRights()
{
    if (m_filling)
        return;
    const QString code = selectedCode();
    std::vector<bool> held(kRights.size(), false);
    if (!code.isEmpty()) {
        try {
            held = operatorRights(m_env.db(), code.toStdString());
        } catch (const DatabaseError& error) {
            m_prompt.warn(userMessage(error, m_env.db().path()));
        }
    }
    m_filling = true;
    for (int i = 0; i < m_rights->count(); ++i) {
        QListWidgetItem* item = m_rights->item(i);
        item->setCheckState(held[static_cast<size_t>(i)] ? Qt::Checked : Qt::Unchecked);
        // The administration right is nobody's to change, and the administrator's rights are fixed.
        const std::string_view right = kRights[static_cast<size_t>(i)].code;
        const bool changeable = !code.isEmpty() && rightChangeable(code.toStdString(), right);
        item->setFlags(changeable ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable : Qt::NoItemFlags);
    }
    m_filling = false;
}

void COperatorDlg::rightClicked(QListWidgetItem* item)
{
    if (m_filling)
        return;
    const bool granted = item->checkState() == Qt::Checked;
    bool written = false;
    try {
        const std::string right = item->data(kCodeRole).toString().toStdString();
        written = setOperatorRight(m_env.db(), selectedCode().toStdString(), right, granted, m_prompt);
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, m_env.db().path()));
    }
    if (!written) {
        // The box shows what the file holds: the operator may be gone, or the write failed.
        fillOperators(selectedCode());
    }
}

void COperatorDlg::addNew()
{
    COperatorEditDlg edit(m_env.db(), m_prompt, this);
    if (edit.exec() == QDialog::Accepted)
        fillOperators(edit.savedCode());
    m_operators->setFocus();
}

void COperatorDlg::modifySelected()
{
    const QListWidgetItem* item = m_operators->currentItem();
    if (!item)
        return;
    const QString code = item->data(kCodeRole).toString();
    const QString name = item->data(kNameRole).toString();
    COperatorEditDlg edit(m_env.db(), m_prompt, code, name, this);
    if (edit.exec() == QDialog::Accepted) {
        // The logged-in operator renamed: the login state follows, so what this operator does from
        // now on is done under the new code.
        if (code.toStdString() == m_env.operatorCode())
            m_env.setOperator(edit.savedCode().toStdString(), edit.savedName().toStdString());
        fillOperators(edit.savedCode());
    }
    m_operators->setFocus();
}

void COperatorDlg::deleteSelected()
{
    const int row = m_operators->currentRow();
    bool deleted = false;
    try {
        deleted = deleteOperator(m_env.db(), selectedCode().toStdString(), m_prompt);
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, m_env.db().path()));
    }
    if (!deleted)
        return;
    fillOperators();
    // The line that took the deleted one's place (or the new last line) is selected.
    if (m_operators->count() > 0)
        m_operators->setCurrentRow(std::min(row, m_operators->count() - 1));
}

bool COperatorDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_operators && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return QDialog::eventFilter(watched, event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            modifySelected();
            return true;
        case Qt::Key_Delete:
            deleteSelected();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
