// The exchange-rate dialog and the rate edit dialog: their layout, the two lists and their keys,
// the picture of the active list, and the add loop.
#include "chart/ui/rate_dialogs.h"

#include "chart/ui/chart_dialog_support.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "formview/ui/spec_edit.h"
#include "session/kszw_env.h"
#include "store/database.h"
#include "store/database_error.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace kszw {

namespace {

// The stored values a line carries beside its text.
constexpr int kCodeRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;
constexpr int kDateRole = Qt::UserRole;
constexpr int kForeignRole = Qt::UserRole + 1;
constexpr int kLocalRole = Qt::UserRole + 2;

// "%4s  %s" with a name of up to ten bytes; "%-10s%10s%10s".
constexpr int kCurrencyColumns = 4 + 2 + 10;
constexpr int kRateColumn = 10;

constexpr int kPictureSize = 32;

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

bool plainKey(const QKeyEvent* key)
{
    return !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
}

// A field wide enough for that many characters of its font.
void sizeForCharacters(QLineEdit* field, int characters)
{
    const QFontMetrics metrics(field->font());
    field->setMinimumWidth(metrics.horizontalAdvance(QString(characters, QLatin1Char('0'))) + 16);
    field->setMaximumWidth(field->minimumWidth());
}

// A column button over a list: it only moves the focus, and Enter never presses it.
QPushButton* columnButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    // The caption fills the column's width: no room is kept beside it.
    button->setStyleSheet(QStringLiteral("QPushButton { padding-left: 0px; padding-right: 0px; }"));
    return button;
}

RateLine rateOf(const QListWidgetItem& item)
{
    return {item.data(kDateRole).toString().toStdString(), item.data(kForeignRole).toDouble(),
            item.data(kLocalRole).toDouble()};
}

} // namespace

// The 32×32 picture between the lists: an arrow pointing at the list that is active.
class ActiveListPicture : public QWidget {
public:
    explicit ActiveListPicture(QWidget* parent) : QWidget(parent) { setFixedSize(kPictureSize, kPictureSize); }

    void setPointsLeft(bool left)
    {
        m_left = left;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        // A framed tile, the arrow in it: a shaft and a head, pointing right, mirrored for left.
        painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
        painter.setBrush(QColor(0xf4, 0xf6, 0xfb));
        painter.drawRoundedRect(QRectF(0.5, 0.5, kPictureSize - 1, kPictureSize - 1), 4, 4);
        QPainterPath arrow;
        arrow.moveTo(5, 13);
        arrow.lineTo(17, 13);
        arrow.lineTo(17, 6);
        arrow.lineTo(28, 16);
        arrow.lineTo(17, 26);
        arrow.lineTo(17, 19);
        arrow.lineTo(5, 19);
        arrow.closeSubpath();
        if (m_left)
            painter.setTransform(QTransform(-1, 0, 0, 1, kPictureSize, 0));
        painter.setPen(QPen(QColor(0x10, 0x30, 0x70), 1));
        painter.setBrush(QColor(0x2a, 0x5c, 0xc0));
        painter.drawPath(arrow);
    }

private:
    bool m_left = true;
};

// ---------------------------------------------------------------------------------------------
// CRateEditDlg

CRateEditDlg::CRateEditDlg(CKszwEnv& env, Prompt& prompt, Mode mode, const RateCurrencyLine& currency,
                           const RateInput& start, const QString& oldDate, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt), m_mode(mode), m_currency(currency.code),
      m_oldDate(oldDate.toStdString())
{
    setWindowTitle(QStringLiteral("请设置、修改外币汇率"));

    m_currencyLabel = new QLabel(QStringLiteral("币种：%1  %2").arg(qtText(currency.code), qtText(currency.name)), this);
    m_year = new CSpecEdit(this);
    m_year->SetInputSpec(QStringLiteral("NUMBER 1990 9999"), 4, 0);
    sizeForCharacters(m_year, 5);
    m_month = new CSpecEdit(this);
    m_month->SetInputSpec(QStringLiteral("NUMBER 1 12"), 2, 0);
    sizeForCharacters(m_month, 3);
    m_day = new CSpecEdit(this);
    m_day->SetInputSpec(QStringLiteral("NUMBER 1 31"), 2, 0);
    sizeForCharacters(m_day, 3);
    m_foreign = new CSpecEdit(this);
    m_foreign->SetInputSpec(QStringLiteral("NUMBER"), 12, 2);
    sizeForCharacters(m_foreign, 16);
    m_local = new CSpecEdit(this);
    m_local->SetInputSpec(QStringLiteral("NUMBER"), 12, 2);
    sizeForCharacters(m_local, 16);
    for (CSpecEdit* amount : {m_foreign, m_local})
        amount->setAlignment(Qt::AlignRight);

    auto* dateLabel = new QLabel(QStringLiteral("设置时间："), this);
    dateLabel->setBuddy(m_year);
    auto* date = new QHBoxLayout;
    date->addWidget(m_year);
    date->addWidget(new QLabel(QStringLiteral("年"), this));
    date->addWidget(m_month);
    date->addWidget(new QLabel(QStringLiteral("月"), this));
    date->addWidget(m_day);
    date->addWidget(new QLabel(QStringLiteral("日"), this));
    date->addStretch(1);
    auto* foreignLabel = new QLabel(QStringLiteral("外币数："), this);
    foreignLabel->setBuddy(m_foreign);
    auto* localLabel = new QLabel(QStringLiteral("本位币数："), this);
    localLabel->setBuddy(m_local);

    auto* fields = new QGridLayout;
    fields->addWidget(m_currencyLabel, 0, 0, 1, 2);
    fields->addWidget(dateLabel, 1, 0);
    fields->addLayout(date, 1, 1);
    fields->addWidget(foreignLabel, 2, 0);
    fields->addWidget(m_foreign, 2, 1, Qt::AlignLeft);
    fields->addWidget(localLabel, 3, 0);
    fields->addWidget(m_local, 3, 1, Qt::AlignLeft);
    fields->setColumnStretch(1, 1);

    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    auto* cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_confirm, &QPushButton::clicked, this, &CRateEditDlg::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_year->setText(qtText(start.year));
    m_month->setText(qtText(start.month));
    m_day->setText(qtText(start.day));
    m_foreign->setText(qtText(start.foreign));
    m_local->setText(qtText(start.local));
    for (CSpecEdit* field : {m_year, m_month, m_day, m_foreign, m_local})
        field->installEventFilter(this);
    // A new rate usually keeps today's date: the amounts come first.
    focusField(mode == Mode::Add ? m_foreign : m_year);
}

void CRateEditDlg::focusField(CSpecEdit* field)
{
    field->setFocus();
    field->selectAll();
}

void CRateEditDlg::confirm()
{
    const RateInput input{m_year->text().toStdString(), m_month->text().toStdString(), m_day->text().toStdString(),
                          m_foreign->text().toStdString(), m_local->text().toStdString()};
    const RateYear year{m_env.yearStart(), m_env.yearEnd()};
    RateResult result;
    try {
        result = m_mode == Mode::Add ? addRate(m_env.db(), year, m_currency, input)
                                     : modifyRate(m_env.db(), year, m_currency, m_oldDate, input);
    } catch (const DatabaseError& error) {
        // Nothing of the change stayed; the dialog stays open to try again or cancel.
        warnDatabaseError(m_prompt, error, m_env.db());
        return;
    }
    if (result.ok) {
        m_savedDate = qtText(result.date);
        accept();
        return;
    }
    m_prompt.warn(result.message);
    switch (result.field) {
    case RateField::Year: focusField(m_year); break;
    case RateField::Month: focusField(m_month); break;
    case RateField::Day: focusField(m_day); break;
    case RateField::Foreign: focusField(m_foreign); break;
    case RateField::Local: focusField(m_local); break;
    }
}

bool CRateEditDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !isEnter(static_cast<QKeyEvent*>(event)))
        return QDialog::eventFilter(watched, event);
    // Enter moves on field by field; from the base amount to 确认, which becomes the default button.
    CSpecEdit* const order[] = {m_year, m_month, m_day, m_foreign, m_local};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        if (watched == order[i]) {
            focusField(order[i + 1]);
            return true;
        }
    }
    if (watched == m_local) {
        m_confirm->setDefault(true);
        m_confirm->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// CRateDlg

CRateDlg::CRateDlg(CKszwEnv& env, Prompt& prompt, const Clock& clock, QWidget* parent)
    : QDialog(parent), m_env(env), m_prompt(prompt), m_clock(clock)
{
    setWindowTitle(QStringLiteral("外币汇率设置"));
    runEditDialog = [](CRateEditDlg& dialog) { return dialog.exec(); };
    const QFont listFont = chartFixedFont(font());
    const QFontMetrics metrics(listFont);
    const int columnWidth = metrics.horizontalAdvance(QLatin1Char('0'));

    m_currencies = new QListWidget(this);
    m_currencies->setFont(listFont);
    sizeLevelList(*m_currencies, kCurrencyColumns, 12);
    m_currencies->setMaximumWidth(m_currencies->minimumWidth());
    m_rates = new QListWidget(this);
    m_rates->setFont(listFont);
    sizeLevelList(*m_rates, 3 * kRateColumn, 12);
    for (QListWidget* list : {m_currencies, m_rates}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->installEventFilter(this);
    }
    m_picture = new ActiveListPicture(this);

    m_currencyColumn = columnButton(QStringLiteral("币种代码及名称"), this);
    m_dateColumn = columnButton(QStringLiteral("设置时间"), this);
    auto* foreignColumn = columnButton(QStringLiteral("外 币 数"), this);
    auto* localColumn = columnButton(QStringLiteral("本位币数"), this);
    // The column buttons stand over the columns of the lines; the first also covers the list's
    // frame and the margin before the text.
    auto* rateColumns = new QHBoxLayout;
    rateColumns->setSpacing(0);
    rateColumns->setContentsMargins(0, 0, 0, 0);
    m_dateColumn->setFixedWidth(m_rates->frameWidth() + 2 + columnWidth * kRateColumn);
    for (QPushButton* button : {foreignColumn, localColumn})
        button->setFixedWidth(columnWidth * kRateColumn);
    rateColumns->addWidget(m_dateColumn);
    rateColumns->addWidget(foreignColumn);
    rateColumns->addWidget(localColumn);
    rateColumns->addStretch(1);

    m_add = new QPushButton(QStringLiteral("&A.设置汇率"), this);
    m_add->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("&X.关闭"), this);
    close->setAutoDefault(false);
    auto* side = new QVBoxLayout;
    side->addWidget(m_add);
    side->addWidget(close);
    side->addStretch(1);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_currencyColumn, 0, 0);
    grid->addLayout(rateColumns, 0, 2);
    grid->addWidget(m_currencies, 1, 0);
    grid->addWidget(m_picture, 1, 1, Qt::AlignCenter);
    grid->addWidget(m_rates, 1, 2);
    grid->addLayout(side, 1, 3);
    grid->addWidget(new QLabel(displayText("选择：↑，↓。"), this), 2, 0);
    grid->addWidget(new QLabel(displayText("修改：Enter，双击。\r删除：Delete。"), this), 2, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(2, 1);

    connect(m_currencyColumn, &QPushButton::clicked, m_currencies, [this] { focusList(CurrencyList); });
    for (QPushButton* button : {m_dateColumn, foreignColumn, localColumn})
        connect(button, &QPushButton::clicked, m_rates, [this] { focusList(RateList); });
    connect(m_currencies, &QListWidget::currentRowChanged, this, [this] { showRates(); });
    connect(m_currencies, &QListWidget::itemDoubleClicked, this, [this] { focusList(RateList); });
    connect(m_rates, &QListWidget::itemDoubleClicked, this, [this] { modifySelected(); });
    connect(m_add, &QPushButton::clicked, this, &CRateDlg::addRates);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

bool CRateDlg::openRates(CKszwEnv& env, Prompt& prompt, const Clock& clock, QWidget* parent)
{
    CRateDlg dialog(env, prompt, clock, parent);
    if (!dialog.fillOnOpening())
        return false;
    dialog.exec();
    return true;
}

bool CRateDlg::fillOnOpening()
{
    std::vector<RateCurrencyLine> lines;
    try {
        lines = listRateCurrencies(m_env.db());
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_env.db());
        return false;
    }
    if (lines.empty()) {
        m_prompt.warn(kNoCurrenciesForRates);
        return false;
    }
    m_filled = true;
    {
        const QSignalBlocker blocker(m_currencies);
        m_currencies->clear();
        for (const RateCurrencyLine& line : lines) {
            auto* item = new QListWidgetItem(qtText(line.text()), m_currencies);
            item->setData(kCodeRole, qtText(line.code));
            item->setData(kNameRole, qtText(line.name));
        }
    }
    m_currencies->setCurrentRow(0);
    showRates();
    focusList(CurrencyList);
    return true;
}

void CRateDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Shown without openRates: the same opening, and without currencies the dialog closes again.
    if (!m_filled && !fillOnOpening())
        QTimer::singleShot(0, this, &QDialog::reject);
}

QWidget* CRateDlg::activePicture() const
{
    return m_picture;
}

QString CRateDlg::selectedCurrency() const
{
    const QListWidgetItem* item = m_currencies->currentItem();
    return item ? item->data(kCodeRole).toString() : QString();
}

QString CRateDlg::selectedDate() const
{
    const QListWidgetItem* item = m_rates->currentItem();
    return item ? item->data(kDateRole).toString() : QString();
}

RateCurrencyLine CRateDlg::selectedCurrencyLine() const
{
    const QListWidgetItem* item = m_currencies->currentItem();
    if (!item)
        return {};
    return {item->data(kCodeRole).toString().toStdString(), item->data(kNameRole).toString().toStdString()};
}

void CRateDlg::showRates(const QString& select)
{
    std::vector<RateLine> lines;
    const std::string code = selectedCurrency().toStdString();
    try {
        if (!code.empty())
            lines = listRates(m_env.db(), code);
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_env.db());
    }
    m_rates->clear();
    int selected = static_cast<int>(lines.size()) - 1;
    for (const RateLine& line : lines) {
        auto* item = new QListWidgetItem(qtText(line.text()), m_rates);
        item->setData(kDateRole, qtText(line.date));
        item->setData(kForeignRole, line.foreign);
        item->setData(kLocalRole, line.local);
        if (!select.isEmpty() && qtText(line.date) == select)
            selected = m_rates->count() - 1;
    }
    if (selected >= 0)
        m_rates->setCurrentRow(selected);
}

void CRateDlg::setActive(ActiveList list)
{
    m_active = list;
    m_picture->setPointsLeft(list == CurrencyList);
}

void CRateDlg::focusList(ActiveList list)
{
    (list == CurrencyList ? m_currencies : m_rates)->setFocus();
    // Also while the window is not active, when no focus event comes.
    setActive(list);
}

void CRateDlg::addRates()
{
    const RateCurrencyLine currency = selectedCurrencyLine();
    if (!currency.code.empty()) {
        for (;;) {
            CRateEditDlg dialog(m_env, m_prompt, CRateEditDlg::Mode::Add, currency, newRateInput(m_clock.today()),
                                QString(), this);
            if (runEditDialog(dialog) != QDialog::Accepted)
                break;
            showRates(dialog.savedDate());
        }
    }
    focusList(m_rates->count() > 0 ? RateList : CurrencyList);
}

void CRateDlg::modifySelected()
{
    const QListWidgetItem* item = m_rates->currentItem();
    if (!item) {
        m_prompt.warn(kNoRateToModify);
        return;
    }
    const RateLine line = rateOf(*item);
    CRateEditDlg dialog(m_env, m_prompt, CRateEditDlg::Mode::Modify, selectedCurrencyLine(), rateInputFor(line),
                        qtText(line.date), this);
    if (runEditDialog(dialog) == QDialog::Accepted)
        showRates(dialog.savedDate());
    focusList(RateList);
}

void CRateDlg::deleteSelected()
{
    const QListWidgetItem* item = m_rates->currentItem();
    if (!item)
        return;
    const int row = m_rates->currentRow();
    const int scroll = m_rates->verticalScrollBar()->value();
    try {
        deleteRate(m_env.db(), selectedCurrency().toStdString(), item->data(kDateRole).toString().toStdString());
    } catch (const DatabaseError& error) {
        warnDatabaseError(m_prompt, error, m_env.db());
        return;
    }
    showRates();
    // The list stays where it was; the line above the deleted one (or the new first) is selected.
    m_rates->verticalScrollBar()->setValue(scroll);
    if (m_rates->count() > 0)
        m_rates->setCurrentRow(std::max(row - 1, 0));
}

bool CRateDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_currencies && watched != m_rates)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn)
        setActive(watched == m_currencies ? CurrencyList : RateList);
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (!plainKey(key))
        return QDialog::eventFilter(watched, event);
    const bool arrow = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right;
    if (watched == m_currencies) {
        // To the rates only when there are some; Enter goes there in any case.
        if (arrow) {
            if (m_rates->count() > 0)
                focusList(RateList);
            return true;
        }
        if (isEnter(key)) {
            focusList(RateList);
            return true;
        }
    } else {
        if (arrow) {
            focusList(CurrencyList);
            return true;
        }
        if (isEnter(key)) {
            modifySelected();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            deleteSelected();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kszw
