#include "accountset/ui/account_set_info_dialog.h"

#include "accountset/account_set_info.h"
#include "formview/ui/spec_edit.h"
#include "session/kszw_env.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>
#include <vector>

namespace kszw {

namespace {

constexpr int kUnitNameBytes = 40;
constexpr int kChiefBytes = 8;
const QString kTextSpec = QStringLiteral("STRING NOT |[]'\"");

// A drop-down of the offered values with the current one selected; a current value the list does
// not offer (a file written elsewhere) is added at the end, so confirming never loses it.
QComboBox* choiceBox(QWidget* parent, const std::vector<std::string>& choices, const std::string& current)
{
    auto* box = new QComboBox(parent);
    box->setEditable(false);
    box->setMaxVisibleItems(static_cast<int>(choices.size()) + 1);
    for (const std::string& choice : choices)
        box->addItem(QString::fromStdString(choice));
    int index = box->findText(QString::fromStdString(current));
    if (index < 0 && !current.empty()) {
        box->addItem(QString::fromStdString(current));
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
    return box;
}

QLabel* shownValue(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

CAccountSetInfoDlg::CAccountSetInfoDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("修改帐套信息"));
    const AccountSetInfo info = currentAccountSetInfo(env);

    m_file = shownValue(this, QString::fromStdString(env.filePath()));
    m_unit = new CSpecEdit(this);
    m_unit->SetInputSpec(kTextSpec, kUnitNameBytes, 0);
    m_unit->setText(QString::fromStdString(info.unitName));
    m_chief = new CSpecEdit(this);
    m_chief->SetInputSpec(kTextSpec, kChiefBytes, 0);
    m_chief->setText(QString::fromStdString(info.chiefAccountant));
    m_yearStart = choiceBox(this, yearStartChoices(env.year()), info.yearStart);
    m_yearEnd = choiceBox(this, yearEndChoices(env.year()), info.yearEnd);
    m_monthEnd = choiceBox(this, monthEndChoices(), info.monthEnd);
    // The accounting months of the lines already entered rest on the month-end day.
    m_monthEnd->setEnabled(!hasVoucherLines(env.db()));
    m_year = shownValue(this, QString::number(env.year()));
    m_closedMonths = shownValue(this, QString::number(env.closedMonths()));

    // Captions in the first column, fields in the second; the shown year and closed months beside
    // the dates.
    auto* grid = new QGridLayout;
    auto place = [this, grid](int row, int column, const QString& caption, QWidget* field, int span = 1) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        grid->addWidget(label, row, column);
        grid->addWidget(field, row, column + 1, 1, span);
    };
    place(0, 0, QStringLiteral("文件"), m_file, 3);
    place(1, 0, QStringLiteral("核算单位(&U)"), m_unit, 3);
    place(2, 0, QStringLiteral("会计主管(&K)"), m_chief);
    place(3, 0, QStringLiteral("年 初 日(&B)"), m_yearStart);
    place(3, 2, QStringLiteral("年度"), m_year);
    place(4, 0, QStringLiteral("年末日(&E)"), m_yearEnd);
    place(4, 2, QStringLiteral("已月结月"), m_closedMonths);
    place(5, 0, QStringLiteral("月结日(&M)"), m_monthEnd);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* ok = new QPushButton(QStringLiteral("&S.确认"), this);
    auto* cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CAccountSetInfoDlg::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_unit->setMinimumWidth(m_unit->fontMetrics().horizontalAdvance(QString(20, QChar(0x4e2d))) + 16);
    m_unit->setFocus();
}

void CAccountSetInfoDlg::confirm()
{
    const AccountSetInfo info{m_unit->text().toStdString(), m_chief->text().toStdString(),
                              m_yearStart->currentText().toStdString(), m_yearEnd->currentText().toStdString(),
                              m_monthEnd->currentText().toStdString()};
    const InfoChangeResult result = changeAccountSetInfo(m_env, info, m_prompt);
    if (result.ok) {
        accept();
        return;
    }
    QWidget* field = nullptr;
    switch (result.field) {
    case InfoField::UnitName: field = m_unit; break;
    case InfoField::ChiefAccountant: field = m_chief; break;
    case InfoField::YearStart: field = m_yearStart; break;
    case InfoField::YearEnd: field = m_yearEnd; break;
    case InfoField::MonthEnd: field = m_monthEnd->isEnabled() ? m_monthEnd : nullptr; break;
    case InfoField::None: break;
    }
    if (field)
        field->setFocus();
    if (auto* edit = qobject_cast<CSpecEdit*>(field))
        edit->selectAll();
}

} // namespace kszw
