// The template lines dialog and the line dialog: layout, keys, and handing input to the core.
#include "templates/ui/template_lines_dialog.h"

#include "chart/ui/chart_dialog_support.h"
#include "chart/ui/subject_query_dialog.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace kszw {

namespace {

// The widths of AUTCER: summary 40 bytes, subject and formula 60; line numbers up to four digits.
constexpr int kNumberDigits = 4;
constexpr int kSummaryBytes = 40;
constexpr int kSubjectBytes = 60;
constexpr int kFormulaBytes = 60;
const QString kTextSpec = QStringLiteral("STRING NOT |[]'");

enum Column { NumberColumn, SummaryColumn, SubjectColumn, DirectionColumn, FormulaColumn, ColumnCount };
enum LineField { FieldNumber, FieldSummary, FieldSubject, FieldDirection, FieldFormula };

QString directionText(int direction)
{
    return direction == -1 ? QStringLiteral("贷") : QStringLiteral("借");
}

bool isPlainKey(const QKeyEvent* key)
{
    return !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool isEnter(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && isPlainKey(key);
}

QPushButton* sideButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

// A field wide enough for that many Latin characters of its font.
void sizeForCharacters(QWidget* field, int characters)
{
    const QFontMetrics metrics(field->font());
    field->setMinimumWidth(metrics.horizontalAdvance(QString(characters, QLatin1Char('0'))) + 16);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CTemplateLineDlg

CTemplateLineDlg::CTemplateLineDlg(Database& db, Prompt& prompt, Mode mode, int templateNumber,
                                   const TemplateLine& line, const QString& templateCaption, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt), m_mode(mode), m_templateNumber(templateNumber)
{
    setWindowTitle(mode == Mode::Add ? QStringLiteral("增加新分录...") : QStringLiteral("修改分录..."));
    if (mode == Mode::Modify)
        m_oldNumber = line.number;
    lookUpSubject = [this](const QString& start) -> std::optional<QString> {
        return CSubjectQueryDlg::lookUpSubject(m_db, m_prompt, start, this);
    };

    m_template = new QLabel(templateCaption, this);

    m_number = new CSpecEdit(this);
    m_number->SetInputSpec(QStringLiteral("NUMBER 0123456789"), kNumberDigits, 0);
    // A line number is a whole number: the field refuses a decimal point as well.
    m_number->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_number));
    m_summary = new CSpecEdit(this);
    m_summary->SetInputSpec(kTextSpec, kSummaryBytes, 0);
    m_subject = new CSpecEdit(this);
    m_subject->SetInputSpec(kTextSpec, kSubjectBytes, 0);
    m_direction = new QComboBox(this);
    m_direction->addItem(QStringLiteral("借"), 1);
    m_direction->addItem(QStringLiteral("贷"), -1);
    m_formula = new CSpecEdit(this);
    m_formula->SetInputSpec(kTextSpec, kFormulaBytes, 0);

    m_number->setFixedWidth(QFontMetrics(m_number->font()).horizontalAdvance(QString(kNumberDigits + 3, QLatin1Char('0'))) + 16);
    m_summary->setMinimumWidth(
        QFontMetrics(m_summary->font()).horizontalAdvance(QString(kSummaryBytes / 2 + 1, QChar(0x6C49))) + 16);
    sizeForCharacters(m_subject, 24);
    sizeForCharacters(m_formula, 44);

    auto* subjectRow = new QHBoxLayout;
    subjectRow->addWidget(m_subject, 1);
    subjectRow->addWidget(new QLabel(QStringLiteral("F2：查科目"), this));

    auto* fields = new QGridLayout;
    const std::pair<QString, QWidget*> rows[] = {
        {QStringLiteral("序  号(&N)："), m_number},    {QStringLiteral("摘  要(&Z)："), m_summary},
        {QStringLiteral("科  目(&K)："), m_subject},   {QStringLiteral("方  向(&F)："), m_direction},
        {QStringLiteral("公  式(&G)："), m_formula}};
    int row = 0;
    for (const auto& [caption, field] : rows) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        if (field == m_subject)
            fields->addLayout(subjectRow, row, 1);
        else if (field == m_number || field == m_direction)
            fields->addWidget(field, row, 1, Qt::AlignLeft);
        else
            fields->addWidget(field, row, 1);
        field->installEventFilter(this);
        ++row;
    }
    fields->setColumnStretch(1, 1);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_confirm->setDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_confirm, &QPushButton::clicked, this, &CTemplateLineDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);

    auto* body = new QHBoxLayout;
    body->addLayout(fields, 1);
    body->addSpacing(12);
    body->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_template);
    layout->addSpacing(4);
    layout->addLayout(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (templateCaption.isEmpty())
        m_template->hide();

    setTabOrder(m_number, m_summary);
    setTabOrder(m_summary, m_subject);
    setTabOrder(m_subject, m_direction);
    setTabOrder(m_direction, m_formula);
    setTabOrder(m_formula, m_confirm);
    setTabOrder(m_confirm, m_cancel);

    if (line.number > 0)
        m_number->setText(QString::number(line.number));
    m_summary->setText(qtText(line.summary));
    m_subject->setText(qtText(line.subject));
    m_direction->setCurrentIndex(line.direction == -1 ? 1 : 0);
    m_formula->setText(qtText(line.formula));
    // A new line's number is proposed: the summary is what is left to type.
    focusField(mode == Mode::Add && line.number > 0 ? FieldSummary : FieldNumber);
}

TemplateLine CTemplateLineDlg::typedLine() const
{
    TemplateLine line;
    const QString number = m_number->text().trimmed();
    line.number = number.size() <= kNumberDigits ? number.toInt() : 0;
    line.summary = m_summary->text().toStdString();
    line.subject = m_subject->text().toStdString();
    line.direction = m_direction->currentData().toInt();
    line.formula = m_formula->text().toStdString();
    return line;
}

void CTemplateLineDlg::focusField(int field)
{
    switch (field) {
    case FieldNumber: m_number->setFocus(); m_number->selectAll(); break;
    case FieldSummary: m_summary->setFocus(); m_summary->selectAll(); break;
    case FieldSubject: m_subject->setFocus(); m_subject->selectAll(); break;
    case FieldDirection: m_direction->setFocus(); break;
    default: m_formula->setFocus(); m_formula->selectAll(); break;
    }
}

void CTemplateLineDlg::confirm()
{
    const TemplateLine line = typedLine();
    std::optional<LineRefusal> refusal;
    try {
        refusal = saveTemplateLine(m_db, m_templateNumber, line, m_oldNumber);
    } catch (const DatabaseError& error) {
        // Nothing of the change stayed; the dialog stays open to try again or cancel.
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    if (!refusal) {
        m_savedNumber = line.number;
        accept();
        return;
    }
    m_prompt.warn(refusal->message);
    focusField(refusal->field);
}

void CTemplateLineDlg::browseSubject()
{
    std::optional<QString> chosen;
    try {
        chosen = lookUpSubject(m_subject->text().trimmed());
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
    }
    if (chosen)
        m_subject->setText(*chosen);
    m_subject->setFocus();
    m_subject->end(false);
}

bool CTemplateLineDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_subject && key->key() == Qt::Key_F2 && isPlainKey(key)) {
        browseSubject();
        return true;
    }
    if (!isEnter(key))
        return QDialog::eventFilter(watched, event);
    // Enter moves on field by field; in the formula, the last one, it confirms.
    if (watched == m_number)
        focusField(FieldSummary);
    else if (watched == m_summary)
        focusField(FieldSubject);
    else if (watched == m_subject)
        focusField(FieldDirection);
    else if (watched == m_direction)
        focusField(FieldFormula);
    else if (watched == m_formula)
        confirm();
    else
        return QDialog::eventFilter(watched, event);
    return true;
}

// ---------------------------------------------------------------------------------------------
// CTemplateLinesDlg

CTemplateLinesDlg::CTemplateLinesDlg(Database& db, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_db(db), m_prompt(prompt)
{
    setWindowTitle(QStringLiteral("凭证模板分录定义"));
    runLineDialog = [](CTemplateLineDlg& dialog) { return dialog.exec(); };

    m_templates = new QComboBox(this);
    m_templates->setFont(chartFixedFont(font()));
    m_templates->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_templates->setMinimumContentsLength(8 + 40);
    auto* templateLabel = new QLabel(QStringLiteral("凭证分录模板(&T)："), this);
    templateLabel->setBuddy(m_templates);

    m_grid = new QTableWidget(0, ColumnCount, this);
    m_grid->setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("摘  要"), QStringLiteral("科  目"),
                                       QStringLiteral("方向"), QStringLiteral("公式")});
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setTabKeyNavigation(false);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 8);
    m_grid->installEventFilter(this);
    const QFontMetrics metrics(m_grid->font());
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const int hanzi = metrics.horizontalAdvance(QChar(0x6C49));
    QHeaderView* header = m_grid->horizontalHeader();
    header->setHighlightSections(false);
    header->resizeSection(NumberColumn, std::max(digit * 6, hanzi * 3));
    header->resizeSection(SummaryColumn, hanzi * 10);
    header->resizeSection(SubjectColumn, digit * 16);
    header->resizeSection(DirectionColumn, hanzi * 3);
    header->resizeSection(FormulaColumn, digit * 52);
    header->setStretchLastSection(true);
    int gridWidth = 2 * m_grid->frameWidth() + 24;
    for (int column = 0; column < ColumnCount; ++column)
        gridWidth += header->sectionSize(column);
    m_grid->setMinimumSize(gridWidth, 14 * m_grid->verticalHeader()->defaultSectionSize());

    m_count = new QLabel(this);

    m_add = sideButton(QStringLiteral("&A.新增"), this);
    m_modify = sideButton(QStringLiteral("&M.修改"), this);
    m_delete = sideButton(QStringLiteral("&D.删除"), this);
    m_close = sideButton(QStringLiteral("&X.关闭"), this);
    auto* hint = new QLabel(displayText("新增：\r  Insert\r修改：\r  Enter\r  双击。\r删除：\r  Delete"), this);

    auto* chooser = new QHBoxLayout;
    chooser->addWidget(templateLabel);
    chooser->addWidget(m_templates, 1);

    auto* listColumn = new QVBoxLayout;
    listColumn->addLayout(chooser);
    listColumn->addWidget(m_grid, 1);
    listColumn->addWidget(m_count);

    auto* side = new QVBoxLayout;
    side->addSpacing(m_templates->sizeHint().height() + listColumn->spacing());
    side->addWidget(m_add);
    side->addWidget(m_modify);
    side->addWidget(m_delete);
    side->addSpacing(12);
    side->addWidget(hint);
    side->addStretch(1);
    side->addWidget(m_close);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listColumn, 1);
    layout->addSpacing(8);
    layout->addLayout(side);

    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this] { modifySelected(); });
    connect(m_add, &QPushButton::clicked, this, &CTemplateLinesDlg::addLine);
    connect(m_modify, &QPushButton::clicked, this, &CTemplateLinesDlg::modifySelected);
    connect(m_delete, &QPushButton::clicked, this, &CTemplateLinesDlg::deleteSelected);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    // The first reading's error goes to the opener: templates that cannot be read are not shown.
    for (const TemplateEntry& entry : listTemplates(m_db))
        m_templates->addItem(qtText(templateListLine(entry)), entry.number);
    connect(m_templates, &QComboBox::currentIndexChanged, this, [this] { showLines(); });
    showLines();
    m_grid->setFocus();
}

void CTemplateLinesDlg::openLines(Database& db, Prompt& prompt, QWidget* parent)
{
    try {
        if (listTemplates(db).empty()) {
            prompt.warn(kNoTemplateDirectory);
            return;
        }
        CTemplateLinesDlg dialog(db, prompt, parent);
        dialog.exec();
    } catch (const DatabaseError& error) {
        warnDatabaseError(prompt, error, db);
    }
}

int CTemplateLinesDlg::currentTemplate() const
{
    return m_templates->currentIndex() >= 0 ? m_templates->currentData().toInt() : 0;
}

void CTemplateLinesDlg::chooseTemplate(int number)
{
    const int index = m_templates->findData(number);
    if (index >= 0)
        m_templates->setCurrentIndex(index);
}

QString CTemplateLinesDlg::templateCaption() const
{
    return QStringLiteral("凭证分录模板：") + m_templates->currentText().simplified();
}

std::optional<TemplateLine> CTemplateLinesDlg::selectedLine() const
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= static_cast<int>(m_lines.size()) || m_grid->selectedItems().isEmpty())
        return std::nullopt;
    return m_lines[static_cast<std::size_t>(row)];
}

void CTemplateLinesDlg::showLines(std::optional<int> selectNumber, int row)
{
    const int number = currentTemplate();
    try {
        m_lines = number > 0 ? templateLines(m_db, number) : std::vector<TemplateLine>{};
    } catch (const DatabaseError& error) {
        m_lines.clear();
        warnDatabaseError(m_prompt, error, m_db);
    }
    m_grid->setRowCount(static_cast<int>(m_lines.size()));
    int selected = std::clamp(row, 0, std::max(0, static_cast<int>(m_lines.size()) - 1));
    for (int i = 0; i < static_cast<int>(m_lines.size()); ++i) {
        const TemplateLine& line = m_lines[static_cast<std::size_t>(i)];
        const QString cells[ColumnCount] = {QString::number(line.number), qtText(line.summary), qtText(line.subject),
                                            directionText(line.direction), qtText(line.formula)};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column == NumberColumn || column == DirectionColumn)
                item->setTextAlignment(Qt::AlignCenter);
            else
                item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            m_grid->setItem(i, column, item);
        }
        if (selectNumber && line.number == *selectNumber)
            selected = i;
    }
    const bool empty = m_lines.empty();
    m_count->setText(empty && number > 0 ? qtText(kNoTemplateLines) : QString());
    m_modify->setEnabled(!empty);
    m_add->setEnabled(number > 0);
    if (!empty) {
        m_grid->setCurrentCell(selected, NumberColumn);
        m_grid->selectRow(selected);
        m_grid->scrollToItem(m_grid->item(selected, NumberColumn));
    }
}

void CTemplateLinesDlg::addLine()
{
    const int number = currentTemplate();
    if (number <= 0)
        return;
    int largest = 0;
    for (const TemplateLine& line : m_lines)
        largest = std::max(largest, line.number);
    TemplateLine proposed;
    proposed.number = largest + 1;
    const int row = m_grid->currentRow();
    const std::optional<TemplateLine> current = selectedLine();
    CTemplateLineDlg dialog(m_db, m_prompt, CTemplateLineDlg::Mode::Add, number, proposed, templateCaption(), this);
    if (runLineDialog(dialog) == QDialog::Accepted)
        showLines(dialog.savedNumber());
    else
        showLines(current ? std::optional<int>(current->number) : std::nullopt, row);
    m_grid->setFocus();
}

void CTemplateLinesDlg::modifySelected()
{
    const std::optional<TemplateLine> line = selectedLine();
    if (!line)
        return;
    const int row = m_grid->currentRow();
    CTemplateLineDlg dialog(m_db, m_prompt, CTemplateLineDlg::Mode::Modify, currentTemplate(), *line,
                            templateCaption(), this);
    if (runLineDialog(dialog) == QDialog::Accepted)
        showLines(dialog.savedNumber());
    else
        showLines(line->number, row);
    m_grid->setFocus();
}

void CTemplateLinesDlg::deleteSelected()
{
    const std::optional<TemplateLine> line = selectedLine();
    if (!line) {
        m_prompt.warn(kNoTemplateToDelete);
        return;
    }
    const int row = m_grid->currentRow();
    if (m_prompt.ask(deleteLineQuestion(line->number), Buttons::YesNo, Answer::No, Icon::Question,
                     kMessageCaption) != Answer::Yes) {
        m_grid->setFocus();
        return;
    }
    try {
        deleteTemplateLine(m_db, currentTemplate(), line->number);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_db);
        return;
    }
    // The line that took the deleted one's place (or the new last line) is selected.
    showLines(std::nullopt, row);
    m_grid->setFocus();
}

bool CTemplateLinesDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEnter(key)) {
            if (selectedLine())
                modifySelected();
            else
                addLine();
            return true;
        }
        if (key->key() == Qt::Key_Delete && isPlainKey(key)) {
            deleteSelected();
            return true;
        }
        if (key->key() == Qt::Key_Insert && isPlainKey(key)) {
            addLine();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
