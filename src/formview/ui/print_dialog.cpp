#include "formview/ui/print_dialog.h"

#include "common/prompt.h"
#include "formview/page_rules.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <functional>

namespace kszw {

QString PrintDialog::pdfPrinterName()
{
    return QStringLiteral("PDF 文件");
}

PrintDialog::PrintDialog(Mode mode, const PageSettings& page, int pageCount, const QString& currentPrinter,
                         Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_page(page), m_pageCount(pageCount), m_prompt(prompt),
      m_printers(new QComboBox(this))
{
    setWindowTitle(mode == Mode::Print ? QStringLiteral("岚屿穗财务软件－打印") : QStringLiteral("岚屿穗财务软件－打印机设置"));
    auto* layout = new QVBoxLayout(this);

    auto* printerGroup = new QGroupBox(QStringLiteral("打印机"), this);
    auto* printerRow = new QHBoxLayout(printerGroup);
    const QStringList names = QPrinterInfo::availablePrinterNames();
    m_printers->addItems(names);
    m_printers->addItem(pdfPrinterName());
    const QString preferred = currentPrinter.isEmpty() ? QPrinterInfo::defaultPrinterName() : currentPrinter;
    const int index = m_printers->findText(preferred);
    m_printers->setCurrentIndex(index >= 0 ? index : 0);
    auto* properties = new QPushButton(QStringLiteral("属性..."), this);
    printerRow->addWidget(m_printers, 1);
    printerRow->addWidget(properties);
    layout->addWidget(printerGroup);
    connect(properties, &QPushButton::clicked, this, &PrintDialog::showProperties);

    if (mode == Mode::Print) {
        auto* rangeGroup = new QGroupBox(QStringLiteral("打印范围"), this);
        auto* grid = new QGridLayout(rangeGroup);
        m_all = new QRadioButton(QStringLiteral("全部(&A)"), rangeGroup);
        m_range = new QRadioButton(QStringLiteral("指定(&S)"), rangeGroup);
        m_from = new QLineEdit(QString::number(page.fromPage), rangeGroup);
        m_to = new QLineEdit(QString::number(std::min<int>(page.toPage, pageCount)), rangeGroup);
        for (QLineEdit* edit : {m_from, m_to}) {
            edit->setMaximumWidth(80);
            edit->setAlignment(Qt::AlignRight);
        }
        auto* fromLabel = new QLabel(QStringLiteral("从(&F)"), rangeGroup);
        fromLabel->setBuddy(m_from);
        auto* toLabel = new QLabel(QStringLiteral("页 到 (&T)"), rangeGroup);
        toLabel->setBuddy(m_to);
        grid->addWidget(m_all, 0, 0, 1, 5);
        grid->addWidget(m_range, 1, 0);
        grid->addWidget(fromLabel, 1, 1);
        grid->addWidget(m_from, 1, 2);
        grid->addWidget(toLabel, 1, 3);
        grid->addWidget(m_to, 1, 4);
        grid->addWidget(new QLabel(QStringLiteral("页"), rangeGroup), 1, 5);
        (page.selectPage && !page.allPage ? m_range : m_all)->setChecked(true);
        auto enableRange = [this] {
            m_from->setEnabled(m_range->isChecked());
            m_to->setEnabled(m_range->isChecked());
        };
        connect(m_range, &QRadioButton::toggled, this, enableRange);
        enableRange();
        layout->addWidget(rangeGroup);

        auto* copiesRow = new QHBoxLayout;
        m_copies = new QSpinBox(this);
        m_copies->setRange(0, 999);
        m_copies->setValue(page.pageCopies);
        auto* copiesLabel = new QLabel(QStringLiteral("打印份数(&C)"), this);
        copiesLabel->setBuddy(m_copies);
        copiesRow->addWidget(copiesLabel);
        copiesRow->addWidget(m_copies);
        copiesRow->addWidget(new QLabel(QStringLiteral("份"), this));
        copiesRow->addStretch();
        layout->addLayout(copiesRow);
    }

    auto* ok = new QPushButton(QStringLiteral("确认"), this);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &PrintDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    choosePdfFile = [this] {
        const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("打印到 PDF 文件"), lastOutputFolder(),
                                                          QStringLiteral("PDF 文件(*.pdf)"));
        if (!file.isEmpty())
            lastOutputFolder() = QFileInfo(file).absolutePath();
        return file;
    };
}

QString& lastOutputFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

QString PrintDialog::printerName() const
{
    return m_printers->currentText();
}

void PrintDialog::showProperties()
{
    if (printsToPdf())
        return;
    QPrinter printer(QPrinterInfo::printerInfo(printerName()));
    QPageSetupDialog properties(&printer, this);
    properties.exec();
}

void PrintDialog::confirm()
{
    if (m_mode == Mode::Print) {
        const bool range = m_range->isChecked();
        if (auto refusal = checkPrintRange(range, m_from->text().toStdString(), m_to->text().toStdString(),
                                           m_copies->value(), m_pageCount)) {
            m_prompt.tell(refusal->message, Icon::Exclamation, kPrintDialogCaption);
            QWidget* field = refusal->field == PrintField::FromPage ? static_cast<QWidget*>(m_from)
                             : refusal->field == PrintField::ToPage ? static_cast<QWidget*>(m_to)
                                                                    : static_cast<QWidget*>(m_copies);
            field->setFocus();
            return;
        }
        m_page.allPage = range ? 0 : 1;
        m_page.selectPage = range ? 1 : 0;
        if (range) {
            m_page.fromPage = m_from->text().trimmed().toInt();
            m_page.toPage = m_to->text().trimmed().toInt();
        }
        m_page.pageCopies = m_copies->value();
        if (printsToPdf()) {
            m_pdfFile = choosePdfFile();
            if (m_pdfFile.isEmpty())
                return;
            if (!m_pdfFile.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
                m_pdfFile += QStringLiteral(".pdf");
        }
    }
    accept();
}

} // namespace kszw
