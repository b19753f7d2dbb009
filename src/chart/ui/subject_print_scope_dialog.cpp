// The scope dialog of the chart print: the choice, the code field that only 指定科目 enables, and
// the check of the typed code (the core's, chart/chart_listing.h).
#include "chart/ui/subject_print_scope_dialog.h"

#include "chart/chart_listing.h"
#include "chart/subject_codes.h"
#include "chart/ui/chart_dialog_support.h"
#include "common/prompt.h"
#include "common/text.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "store/database_error.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kszw {

CSubjectPrintScopeDlg::CSubjectPrintScopeDlg(Database& db, Prompt& prompt, const QString& startCode, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt)
{
    setWindowTitle(qtText(kChartPrintCaption));

    m_all = new QRadioButton(QStringLiteral("全部科目"), this);
    m_one = new QRadioButton(QStringLiteral("指定科目"), this);
    auto* choice = new QButtonGroup(this);
    choice->addButton(m_all);
    choice->addButton(m_one);
    m_code = new CSpecEdit(this);
    m_code->SetInputSpec(QStringLiteral("CLASSNOSTRING"), kMaxSubjectLevels - 1, 0);
    m_code->setMaxLength(kMaxSubjectCodeLength);
    m_code->setMinimumWidth(m_code->fontMetrics().horizontalAdvance(QString(kMaxSubjectCodeLength + 4, QLatin1Char('0'))));
    m_code->setAccessibleName(QStringLiteral("科目代码"));

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setDefault(true);
    m_cancel->setAutoDefault(false);

    auto* choices = new QGridLayout;
    choices->addWidget(m_all, 0, 0);
    choices->addWidget(m_one, 1, 0);
    choices->addWidget(m_code, 1, 1);
    choices->setColumnStretch(1, 1);
    choices->setHorizontalSpacing(12);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(m_all, &QRadioButton::toggled, this, [this] { choiceChanged(); });
    connect(m_one, &QRadioButton::toggled, this, [this] { choiceChanged(); });
    connect(m_confirm, &QPushButton::clicked, this, &CSubjectPrintScopeDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    const QString code = startCode.trimmed();
    m_code->setText(code);
    (code.isEmpty() ? m_all : m_one)->setChecked(true);
    choiceChanged();
}

void CSubjectPrintScopeDlg::choiceChanged()
{
    const bool one = m_one->isChecked();
    m_code->setEnabled(one);
    if (one) {
        m_code->setFocus();
        m_code->selectAll();
    } else {
        m_all->setFocus();
    }
}

void CSubjectPrintScopeDlg::confirm()
{
    if (m_all->isChecked()) {
        m_root.clear();
        accept();
        return;
    }
    const std::string code = trimWhitespace(m_code->text().toStdString());
    bool listable = false;
    try {
        listable = isChartListingRoot(m_db, code);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (!listable) {
        m_prompt.warn(kNoSubSubjectsToList);
        m_code->setFocus();
        m_code->selectAll();
        return;
    }
    m_root = code;
    accept();
}

} // namespace kszw
