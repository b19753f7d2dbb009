// The voucher class list and the class dialog: layout, keys, and handing input to the core.
#include "voucher/ui/voucher_class_dialogs.h"

#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/database_error.h"
#include "voucher/voucher_classes.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kszw {

namespace {

// "%-2s    %s" with a name of up to 20 bytes, and a little room.
constexpr int kLineColumns = 2 + 4 + kClassNameBytes + 2;
constexpr int kListRows = 10;
// The item data of a list line: the class's code and name.
constexpr int kClassCodeRole = Qt::UserRole;
constexpr int kClassNameRole = Qt::UserRole + 1;

// The code field: takes digits and capitals only, and makes typed, pasted or composed lower-case
// letters capitals before the field's specification checks them.
class ClassCodeEdit : public CSpecEdit {
public:
    explicit ClassCodeEdit(QWidget* parent) : CSpecEdit(parent) {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->matches(QKeySequence::Paste)) {
            typeText(QApplication::clipboard()->text().toUpper());
            event->accept();
            return;
        }
        const QString text = event->text();
        if (text.isEmpty() || text == text.toUpper()) {
            CSpecEdit::keyPressEvent(event);
            return;
        }
        QKeyEvent upper(event->type(), event->key(), event->modifiers(), text.toUpper(), event->isAutoRepeat(),
                        static_cast<quint16>(event->count()));
        CSpecEdit::keyPressEvent(&upper);
        event->setAccepted(upper.isAccepted());
    }

    void inputMethodEvent(QInputMethodEvent* event) override
    {
        if (event->commitString().isEmpty()) {
            CSpecEdit::inputMethodEvent(event);
            return;
        }
        QInputMethodEvent upper(event->preeditString(), event->attributes());
        upper.setCommitString(event->commitString().toUpper(), event->replacementStart(),
                              event->replacementLength());
        CSpecEdit::inputMethodEvent(&upper);
        event->accept();
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        QMenu* menu = createStandardContextMenu();
        for (QAction* action : menu->actions()) {
            if (action->objectName() == QStringLiteral("edit-paste")) {
                action->disconnect();
                connect(action, &QAction::triggered, this,
                        [this] { typeText(QApplication::clipboard()->text().toUpper()); });
            }
        }
        menu->exec(event->globalPos());
        delete menu;
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
            typeText(QApplication::clipboard()->text(QClipboard::Selection).toUpper());
            event->accept();
            return;
        }
        CSpecEdit::mouseReleaseEvent(event);
    }
};

QPushButton* sideButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CVoucherClassDlg::CVoucherClassDlg(Database& db, Prompt& prompt, Mode mode, const QString& code,
                                   const QString& name, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_mode(mode), m_oldCode(code)
{
    setWindowTitle(mode == Mode::Add ? QStringLiteral("凭证分类设置-增加") : QStringLiteral("凭证分类设置-修改"));

    m_code = new ClassCodeEdit(this);
    m_code->SetInputSpec(qtText(kClassCodeSpec), kClassCodeBytes, 0);
    m_name = new CSpecEdit(this);
    m_name->SetInputSpec(qtText(kClassNameSpec), kClassNameBytes, 0);
    const QFontMetrics metrics(m_code->font());
    m_code->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("WWWW")) + 16);
    m_name->setMinimumWidth(metrics.horizontalAdvance(QString(kClassNameBytes / 2 + 2, QChar(0x6C49))) + 16);

    auto* codeLabel = new QLabel(QStringLiteral("类别字"), this);
    codeLabel->setBuddy(m_code);
    auto* nameLabel = new QLabel(QStringLiteral("类别名"), this);
    nameLabel->setBuddy(m_name);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    auto* cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setDefault(true);
    cancel->setAutoDefault(false);
    connect(m_confirm, &QPushButton::clicked, this, &CVoucherClassDlg::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(codeLabel, 0, 0);
    grid->addWidget(m_code, 0, 1, Qt::AlignLeft);
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(m_name, 1, 1);
    grid->setColumnMinimumWidth(2, 16);
    grid->addWidget(m_confirm, 0, 3);
    grid->addWidget(cancel, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_code, m_name);
    setTabOrder(m_name, m_confirm);
    setTabOrder(m_confirm, cancel);

    if (mode == Mode::Modify) {
        m_code->setText(code);
        m_name->setText(name);
    }
    m_code->setFocus();
    m_code->selectAll();
}

void CVoucherClassDlg::confirm()
{
    const std::string code = m_code->text().toStdString();
    const std::string name = m_name->text().toStdString();
    ClassSaveResult result;
    try {
        result = m_mode == Mode::Add ? addVoucherClass(m_db, code, name, m_prompt)
                                     : modifyVoucherClass(m_db, m_oldCode.toStdString(), code, name, m_prompt);
    } catch (const DatabaseError& error) {
        // Nothing of the change stayed; the dialog stays open to try again or cancel.
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (result.saved) {
        m_savedCode = qtText(result.code);
        m_savedName = qtText(result.name);
        m_code->setText(m_savedCode);
        m_name->setText(m_savedName);
        accept();
        return;
    }
    if (result.field == ClassField::None) {
        reject();
        return;
    }
    CSpecEdit* field = result.field == ClassField::Name ? m_name : m_code;
    field->setFocus();
    field->selectAll();
}

CVoucherClassListDlg::CVoucherClassListDlg(Database& db, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt)
{
    setWindowTitle(qtText(kMessageCaption));
    runClassDialog = [](CVoucherClassDlg& dialog) { return dialog.exec(); };
    const QFont listFont = chartFixedFont(font());

    m_title = new QLabel(QStringLiteral("凭证类别及名称表"), this);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);

    m_list = new QListWidget(this);
    m_list->setFont(listFont);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->installEventFilter(this);
    sizeLevelList(*m_list, kLineColumns, kListRows);

    // The column captions above the list, in its font: "类别" over the codes, the name's caption
    // over the names (which begin in the seventh column).
    m_header = new QLabel(QStringLiteral("类别  类  别  名  称"), this);
    m_header->setFont(listFont);
    m_header->setContentsMargins(m_list->frameWidth() + 3, 0, 0, 0);
    m_header->setBuddy(m_list);

    m_add = sideButton(QStringLiteral("&A.新增"), this);
    m_hint = new QLabel(displayText("修改：\r  Enter\r  双击。"), this);
    auto* deleteHint = new QLabel(QStringLiteral("删除：\n  Delete"), this);
    m_close = sideButton(QStringLiteral("&X.关闭"), this);

    auto* listColumn = new QVBoxLayout;
    listColumn->setSpacing(2);
    listColumn->addWidget(m_header);
    listColumn->addWidget(m_list, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(m_add);
    side->addSpacing(12);
    side->addWidget(m_hint);
    side->addSpacing(6);
    side->addWidget(deleteHint);
    side->addStretch(1);
    side->addWidget(m_close);

    auto* body = new QHBoxLayout;
    body->addLayout(listColumn, 1);
    body->addSpacing(8);
    body->addLayout(side);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addSpacing(4);
    layout->addLayout(body, 1);

    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { modifySelected(); });
    connect(m_add, &QPushButton::clicked, this, &CVoucherClassListDlg::addNew);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    fill();
}

void CVoucherClassListDlg::openClasses(Database& db, Prompt& prompt, QWidget* parent)
{
    try {
        if (!mayOpenClassList(db, prompt))
            return;
        CVoucherClassListDlg dialog(db, prompt, parent);
        dialog.exec();
    } catch (const DatabaseError& error) {
        warnDatabaseError(prompt, error, db);
    }
}

QString CVoucherClassListDlg::selectedCode() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(kClassCodeRole).toString() : QString();
}

void CVoucherClassListDlg::fill(const QString& selectCode, int row)
{
    const std::vector<VoucherClassLine> lines = listVoucherClasses(m_db);
    m_list->clear();
    int selected = std::clamp(row, 0, std::max(0, static_cast<int>(lines.size()) - 1));
    for (const VoucherClassLine& line : lines) {
        auto* item = new QListWidgetItem(qtText(line.text), m_list);
        item->setData(kClassCodeRole, qtText(line.code));
        item->setData(kClassNameRole, qtText(line.name));
        if (!selectCode.isEmpty() && qtText(line.code) == selectCode)
            selected = m_list->count() - 1;
    }
    if (m_list->count() > 0) {
        m_list->setCurrentRow(selected);
        m_list->setFocus();
    } else {
        m_add->setFocus();
    }
}

void CVoucherClassListDlg::afterCancelledEdit(const QString& selectCode, int row)
{
    fill(selectCode, row);
    if (m_list->count() == 0 && classesClosedForYear(m_db))
        reject();
}

void CVoucherClassListDlg::addNew()
{
    const QString current = selectedCode();
    const int row = m_list->currentRow();
    try {
        CVoucherClassDlg dialog(m_db, m_prompt, CVoucherClassDlg::Mode::Add, QString(), QString(), this);
        if (runClassDialog(dialog) == QDialog::Accepted)
            fill(dialog.savedCode());
        else
            afterCancelledEdit(current, row);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
}

void CVoucherClassListDlg::modifySelected()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    const QString code = item->data(kClassCodeRole).toString();
    const QString name = item->data(kClassNameRole).toString();
    const int row = m_list->currentRow();
    try {
        CVoucherClassDlg dialog(m_db, m_prompt, CVoucherClassDlg::Mode::Modify, code, name, this);
        if (runClassDialog(dialog) == QDialog::Accepted)
            fill(dialog.savedCode());
        else
            afterCancelledEdit(code, row);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
}

void CVoucherClassListDlg::deleteSelected()
{
    const QString code = selectedCode();
    if (code.isEmpty())
        return;
    const int row = m_list->currentRow();
    try {
        if (!deleteVoucherClass(m_db, code.toStdString(), m_prompt))
            return;
        // The entry that took the deleted one's place (or the new last one) is selected.
        fill(QString(), row);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (m_list->count() == 0)
        accept();
}

bool CVoucherClassListDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter: modifySelected(); return true;
            case Qt::Key_Delete: deleteSelected(); return true;
            default: break;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
