// The opening-balance levels: the list, its totals, going down and up, and opening a leaf's dialog.
#include "chart/ui/opening_balance_dialog.h"

#include "chart/opening_balances.h"
#include "chart/subject_codes.h"
#include "chart/subjects.h"
#include "chart/ui/balance_dialogs.h"
#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formula/format_number.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

namespace kszw {

namespace {

constexpr int kHasChildrenRole = Qt::UserRole + 1;

struct Column {
    const char* title;
    int width;
    Qt::Alignment alignment;
};
const Column kColumns[] = {
    {" 科目代码", 140, Qt::AlignLeft | Qt::AlignVCenter},
    {"    科  目  名  称", 220, Qt::AlignLeft | Qt::AlignVCenter},
    {"借或贷", 60, Qt::AlignCenter},
    {"金 额 余 额", 140, Qt::AlignRight | Qt::AlignVCenter},
};

// A total as the list shows its amounts: two decimals.
QString totalText(double value)
{
    return qtText(FixedText(value, 2));
}

QLabel* totalField(QWidget* parent)
{
    auto* field = new QLabel(parent);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setMinimumWidth(140);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return field;
}

} // namespace

COpeningBalanceDlg::COpeningBalanceDlg(Database& db, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("科目期初余额调整"));
    runBalanceDialog = [](QDialog& dialog) { return dialog.exec(); };

    auto* heading = new QLabel(QStringLiteral("科目期初余额调整"), this);
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    heading->setAlignment(Qt::AlignCenter);
    m_levelLabel = new QLabel(this);

    m_list = new QTreeWidget(this);
    m_list->setColumnCount(4);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAllColumnsShowFocus(true);
    auto* head = new QTreeWidgetItem;
    int listWidth = 0;
    for (int i = 0; i < 4; ++i) {
        head->setText(i, QString::fromUtf8(kColumns[i].title));
        head->setTextAlignment(i, kColumns[i].alignment);
        listWidth += kColumns[i].width;
    }
    m_list->setHeaderItem(head);
    for (int i = 0; i < 4; ++i)
        m_list->setColumnWidth(i, kColumns[i].width);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionsMovable(false);
    m_list->setMinimumSize(listWidth + 2 * m_list->frameWidth()
                               + m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4,
                           320);
    m_list->installEventFilter(this);

    m_debitTotal = totalField(this);
    m_creditTotal = totalField(this);
    m_difference = totalField(this);
    auto* totals = new QGridLayout;
    const QString totalNames[3] = {QStringLiteral("本级借方余额合计"), QStringLiteral("本级贷方余额合计"),
                                   QStringLiteral("借－贷＝")};
    QLabel* totalFields[3] = {m_debitTotal, m_creditTotal, m_difference};
    for (int i = 0; i < 3; ++i) {
        totals->addWidget(new QLabel(totalNames[i], this), i, 1, Qt::AlignRight);
        totals->addWidget(totalFields[i], i, 2);
    }
    totals->setColumnStretch(0, 1);

    auto* hint = new QLabel(QStringLiteral("回车或双击：进入下级或录入余额　　Esc：返回上级"), this);
    auto* up = new QPushButton(QStringLiteral("&U.上一级"), this);
    auto* close = new QPushButton(QStringLiteral("&X.关闭"), this);
    up->setAutoDefault(false);
    close->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hint);
    buttons->addStretch(1);
    buttons->addWidget(up);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_levelLabel);
    layout->addWidget(m_list, 1);
    layout->addLayout(totals);
    layout->addSpacing(4);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { openSelected(); });
    connect(up, &QPushButton::clicked, this, &COpeningBalanceDlg::goUp);
    connect(close, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });

    showLevel(QString());
    m_list->setFocus();
}

bool COpeningBalanceDlg::openOpeningBalances(Database& db, Prompt& prompt, QWidget* parent)
{
    try {
        if (!hasSubjects(db)) {
            prompt.warn(kNoSubjectsForBalances);
            return false;
        }
    } catch (const DatabaseError& error) {
        warnDatabaseError(prompt, error, db);
        return false;
    }
    COpeningBalanceDlg dialog(db, prompt, parent);
    dialog.exec();
    return true;
}

QString COpeningBalanceDlg::selectedCode() const
{
    const QTreeWidgetItem* item = m_list->currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void COpeningBalanceDlg::showLevel(const QString& parent, const QString& select)
{
    const std::string code = parent.toStdString();
    OpeningBalanceLevel level;
    std::optional<std::string> parentName;
    try {
        level = openingBalanceLevel(m_db, code);
        if (!code.empty())
            parentName = subjectName(m_db, code);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    m_level = code;
    m_list->clear();
    QTreeWidgetItem* selected = nullptr;
    for (const OpeningBalanceLine& line : level.lines) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, qtText(line.code));
        item->setText(1, qtText(line.name));
        item->setText(2, qtText(line.directionWord()));
        item->setText(3, qtText(line.amountText()));
        for (int i = 0; i < 4; ++i)
            item->setTextAlignment(i, kColumns[i].alignment);
        item->setData(0, Qt::UserRole, qtText(line.code));
        item->setData(0, kHasChildrenRole, line.hasChildren);
        if (!select.isEmpty() && qtText(line.code) == select)
            selected = item;
    }
    if (!selected && m_list->topLevelItemCount() > 0)
        selected = m_list->topLevelItem(0);
    if (selected)
        m_list->setCurrentItem(selected);
    m_levelLabel->setText(code.empty() ? QStringLiteral("一级科目")
                                       : QStringLiteral("上级科目：") + parent + QLatin1Char(' ')
                                             + qtText(parentName.value_or("")));
    m_debitTotal->setText(totalText(level.debitTotal));
    m_creditTotal->setText(totalText(level.creditTotal));
    m_difference->setText(totalText(level.difference()));
}

void COpeningBalanceDlg::openSelected()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    const QString code = selectedCode();
    if (item->data(0, kHasChildrenRole).toBool()) {
        showLevel(code);
        m_list->setFocus();
        return;
    }
    try {
        const std::optional<SubjectAttributes> subject = subjectAttributes(m_db, code.toStdString());
        const bool withQuantity = subject && (subject->kind == "1" || subject->kind == "2");
        std::unique_ptr<QDialog> dialog;
        if (withQuantity)
            dialog = std::make_unique<CQuantityBalanceDlg>(m_db, m_prompt, code, this);
        else
            dialog = std::make_unique<CBalanceDlg>(m_db, m_prompt, code, this);
        if (runBalanceDialog(*dialog) == QDialog::Accepted)
            showLevel(levelCode(), code);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
    m_list->setFocus();
}

void COpeningBalanceDlg::goUp()
{
    if (m_level.empty())
        return;
    const QString former = levelCode();
    showLevel(qtText(parentSubjectCode(m_level)), former);
    m_list->setFocus();
}

void COpeningBalanceDlg::reject()
{
    if (m_level.empty())
        QDialog::reject();
    else
        goUp();
}

void COpeningBalanceDlg::closeEvent(QCloseEvent* event)
{
    // The window's close button closes at any level.
    done(QDialog::Rejected);
    event->accept();
}

bool COpeningBalanceDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            openSelected();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
