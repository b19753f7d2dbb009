// The voucher import dialog: the file read with its encoding, the preview of the core's import
// (voucher/voucher_import.h) in a table, and 确认 running the same import for real.
#include "voucher/ui/voucher_import_dialog.h"

#include "common/prompt.h"
#include "common/text.h"
#include "common/text_encoding.h"
#include "common/ui/qt_text.h"
#include "formula/format_number.h"
#include "session/kszw_env.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>
#include <cmath>
#include <map>
#include <set>

namespace kszw {

namespace {

const std::array<const char*, CVoucherImportDlg::ColumnCount> kHeaders = {
    "行号", "日期", "凭证号", "摘要", "科目", "借方", "贷方", "数量", "结果"};

const QColor kRefusedColor(0xC0, 0x00, 0x00);
const QColor kUnbalancedColor(0xB0, 0x60, 0x00);

// The result cell of a row: its messages, or that it is fine.
QString resultText(const VoucherImportRow& row)
{
    if (row.refusals.empty())
        return QStringLiteral("正确");
    std::string text;
    for (const std::string& message : row.refusals)
        text += (text.empty() ? "" : " ") + message;
    return qtText(text);
}

// Opens in the folder of the file chosen last (the home folder at first), for the session.
QString defaultChooser(QWidget* parent)
{
    static QString folder = QDir::homePath();
    const QString file = QFileDialog::getOpenFileName(parent, QStringLiteral("选择要导入的凭证文件"), folder,
                                                      QStringLiteral("CSV 文件 (*.csv *.CSV);;所有文件 (*)"));
    if (!file.isEmpty())
        folder = QFileInfo(file).absolutePath();
    return file;
}

} // namespace

CVoucherImportDlg::CVoucherImportDlg(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_env(env), m_clock(clock), m_prompt(prompt), m_chooser(defaultChooser)
{
    setWindowTitle(QStringLiteral("导入凭证"));

    m_file = new QLabel(QStringLiteral("文件："), this);
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_choose = new QPushButton(QStringLiteral("&O.选择文件..."), this);
    m_choose->setAutoDefault(false);
    m_encoding = new QLabel(QStringLiteral("编码："), this);

    m_table = new QTableWidget(0, ColumnCount, this);
    QStringList headers;
    for (const char* header : kHeaders)
        headers << QString::fromUtf8(header);
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    // The messages take the room left by the columns, which fit their texts.
    m_table->horizontalHeader()->setSectionResizeMode(ResultColumn, QHeaderView::Stretch);
    m_table->setWordWrap(false);

    m_summary = new QLabel(this);
    m_confirm = new QPushButton(QStringLiteral("&S.确认"), this);
    m_confirm->setAutoDefault(false);
    m_confirm->setEnabled(false);
    m_cancel = new QPushButton(QStringLiteral("&X.取消"), this);
    m_cancel->setDefault(true);
    connect(m_choose, &QPushButton::clicked, this, &CVoucherImportDlg::chooseFile);
    connect(m_confirm, &QPushButton::clicked, this, &CVoucherImportDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_choose);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_summary, 1);
    bottomRow->addWidget(m_confirm);
    bottomRow->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(m_encoding);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottomRow);
    resize(960, 520);
}

void CVoucherImportDlg::openImport(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent)
{
    openImport(env, clock, prompt, parent, defaultChooser);
}

void CVoucherImportDlg::openImport(CKszwEnv& env, const Clock& clock, Prompt& prompt, QWidget* parent,
                                   FileChooser chooser)
{
    CVoucherImportDlg dialog(env, clock, prompt, parent);
    dialog.setFileChooser(std::move(chooser));
    // No file chosen, or one that cannot be read: nothing to preview.
    if (!dialog.chooseFile())
        return;
    dialog.exec();
}

bool CVoucherImportDlg::chooseFile()
{
    const QString path = m_chooser ? m_chooser(this) : QString();
    return !path.isEmpty() && loadFile(path);
}

bool CVoucherImportDlg::loadFile(const QString& path)
{
    const DecodedText decoded = readTextFile(QFile::encodeName(path).toStdString());
    if (!decoded.ok) {
        m_prompt.warn(decoded.error);
        return false;
    }
    VoucherImportResult preview;
    try {
        preview = previewVoucherImport(m_env, m_clock, decoded.text);
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, m_env.db().path()));
        return false;
    }
    m_text = decoded.text;
    m_file->setText(QStringLiteral("文件：") + QDir::toNativeSeparators(path));
    m_encoding->setText(QStringLiteral("编码：") + qtText(encodingName(decoded.encoding)));
    showPreview(preview);
    return true;
}

void CVoucherImportDlg::showPreview(const VoucherImportResult& result)
{
    m_preview = result;
    // A voucher whose debits and credits differ is stored as an incomplete voucher (it cannot be
    // reviewed until it is mended): its rows say so, before anything is stored.
    std::map<int, double> difference;
    for (const VoucherImportRow& row : result.rows)
        if (row.voucher > 0)
            difference[row.voucher] += ReadNumber(row.debit) - ReadNumber(row.credit);
    std::set<int> unbalanced;
    for (const auto& [voucher, rest] : difference)
        if (std::fabs(rest) > 0.005)
            unbalanced.insert(voucher);
    m_table->setRowCount(0);
    m_table->setRowCount(static_cast<int>(result.rows.size()));
    for (int r = 0; r < m_table->rowCount(); ++r) {
        const VoucherImportRow& row = result.rows[static_cast<size_t>(r)];
        const std::array<QString, ColumnCount> cells = {
            row.line > 0 ? QString::number(row.line) : QString(),
            qtText(row.date),
            qtText(row.number),
            qtText(row.summary),
            qtText(row.subject),
            qtText(row.debit),
            qtText(row.credit),
            qtText(row.quantity),
            row.refusals.empty() && unbalanced.count(row.voucher) ? QStringLiteral("借贷不平衡，将存为未完成凭证")
                                                                  : resultText(row),
        };
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[static_cast<size_t>(c)]);
            if (c == LineColumn || c == DebitColumn || c == CreditColumn || c == QuantityColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (!row.refusals.empty())
                item->setForeground(kRefusedColor);
            else if (c == ResultColumn && unbalanced.count(row.voucher))
                item->setForeground(kUnbalancedColor);
            if (c == ResultColumn)
                item->setToolTip(cells[static_cast<size_t>(c)]);
            m_table->setItem(r, c, item);
        }
    }
    m_table->resizeColumnsToContents();
    const int padding = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < ResultColumn; ++c)
        m_table->setColumnWidth(c, m_table->columnWidth(c) + padding);

    const int refused = result.refusedRowCount();
    std::string summary =
        format("%d张凭证，%d行，%d行有错", result.voucherCount(), static_cast<int>(result.rows.size()), refused);
    if (!unbalanced.empty())
        summary += format("，%d张借贷不平衡", static_cast<int>(unbalanced.size()));
    m_summary->setText(qtText(summary));
    QPalette palette = m_summary->palette();
    palette.setColor(QPalette::WindowText, refused > 0 ? kRefusedColor : this->palette().color(QPalette::WindowText));
    m_summary->setPalette(palette);
    // Only a file without a refusal can be stored, and only one with something in it.
    m_confirm->setEnabled(result.ok && result.vouchers > 0);
}

void CVoucherImportDlg::confirm()
{
    if (!m_preview.ok)
        return;
    VoucherImportResult result;
    try {
        result = importVouchers(m_env, m_clock, m_text);
    } catch (const DatabaseError& error) {
        m_prompt.warn(userMessage(error, m_env.db().path()));
        return;
    }
    if (!result.ok) {
        // The year file changed since the preview (another copy of the program): nothing was
        // written, and the preview shows why.
        showPreview(result);
        m_prompt.warn(format("有%d行有错，没有导入任何凭证！", result.refusedRowCount()));
        return;
    }
    m_stored = result.vouchers;
    m_prompt.tell(format("已导入%d张凭证，共%d行。", result.vouchers, result.lines), Icon::Information,
                  kMessageCaption);
    accept();
}

} // namespace kszw
