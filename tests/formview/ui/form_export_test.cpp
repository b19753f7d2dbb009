// Exporting a form view: the table taken from the view's own drawing (texts drawn as cells and as
// free texts, stacked column headers, shortened texts whole, figures as numbers, trailing empty
// rows left out), the balance table of a real year file exported to CSV and XLSX and read back
// with the numbers it shows, the 导出 items of the context menu, the file dialog and its proposed
// name, and a file that cannot be written. With KSZW_SCREENSHOT_DIR=folder the balance table is
// also written there as balance_export.xlsx and balance_export.csv.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/command_ids.h"
#include "common/csv.h"
#include "common/prompt.h"
#include "common/text.h"
#include "formula/format_number.h"
#include "formview/table_export.h"
#include "formview/ui/form_export.h"
#include "formview/ui/modal_closer.h"
#include "ledger/ui/balance_view.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/voucher_import.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <map>
#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1122,应收账款,0,,0,0,0\n"
                                    "2202,应付账款,0,,0,0,0\n"
                                    "4001,实收资本,0,,0,0,0\n"
                                    "6001,主营业务收入,0,,0,0,0\n";

constexpr std::string_view kOpening = "code,direction,amount,quantity\n"
                                      "1001,借,5000,\n"
                                      "1002,借,1234567.89,\n"
                                      "2202,贷,30000,\n"
                                      "4001,贷,1209567.89,\n";

constexpr std::string_view kVouchers = "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                       "20260215,0001,1,销售收款,1002,50000.05,,\n"
                                       "20260215,0001,1,销售收款,6001,,50000.05,\n"
                                       "20260320,0002,1,付货款,2202,10000,,\n"
                                       "20260320,0002,1,付货款,1002,,10000,\n";

using Row = std::vector<std::string>;

// A small ledger-like view that draws the way the program's views do: the title and a head text
// as free texts, a head cell, the direction header stacked over three header rows, the direction
// column centred as free text, the summary shortened on the screen, amounts right-aligned, a
// footer row and a foot line; and empty rows at the end.
class SampleView : public CKsFormView {
public:
    std::vector<Row> rows{{"01", "期 初 余 额", "", "借", "1,000.00"},
                          {"03", "一段很长很长很长很长很长的摘要文字", "-250.5", "贷", "12,345,678.90"},
                          {"", "", "", "", ""},
                          {"04", "转存", "80.00", "平", ""},
                          {"", "", "", "", ""},
                          {"", "", "", "", ""}};

    void InitFormLayout() override
    {
        m_editable = 0;
        SetAreaRows(static_cast<int>(rows.size()), 3, 1, 2, 1);
        SetTextColumns({3, 8, 10, 2, 14});
        SetAreaCells("HEAD", 0, {{10, 30}});
        SetAreaCells("HEAD", 1, {{10, 20}, {600, 20}});
        SetAreaCells("FOOT", 0, {{10, 20}, {500, 20}});
    }
    void DrawHeadings(QPainter& dc) override
    {
        DrawAreaText(dc, GetColumnEdge(1), GetRowTop(0, "TOPIC"), QStringLiteral("样 本 帐"), "TOPIC");
        DrawAreaText(dc, GetColumnEdge(4), GetRowTop(1, "HEAD"), QStringLiteral("第 1 页"), "HEAD");
        // The direction header: one character in each header row, centred in its column.
        const char* stacked[] = {"借", "或", "贷"};
        for (int row = 0; row < 3; ++row)
            DrawAreaText(dc, GetColumnEdge(3) + 2, GetRowTop(row, "FORMHEAD") + 1, QString::fromUtf8(stacked[row]),
                         "FORMHEAD");
    }
    void DrawCell(QPainter& dc, int row, int col, std::string_view area) override
    {
        const std::string text = GetCellInfo(row, col, area, false).text;
        if (area == "TEXT" && col == 3) {
            DrawCellText(row, col, dc, "", "MID", area);
            if (!text.empty())
                DrawAreaText(dc, GetColumnEdge(3) + 3, GetRowTop(row, "TEXT") + 1, QString::fromStdString(text), area);
            return;
        }
        const bool figure = (area == "TEXT" || area == "FORMFOOT") && (col == 2 || col == 4);
        DrawCellText(row, col, dc, text, area == "FORMHEAD" ? "MID" : figure ? "RIGHT" : "LEFT", area);
    }
    CellInfo GetCellInfo(int row, int col, std::string_view area, bool) override
    {
        CellInfo info;
        if (area == "TEXT" && row < static_cast<int>(rows.size()))
            info.text = rows[static_cast<size_t>(row)][static_cast<size_t>(col)];
        else if (area == "FORMHEAD" && row == 1 && col != 3)
            info.text = std::vector<std::string>{"月", "摘  要", "发生额", "", "余    额"}[static_cast<size_t>(col)];
        else if (area == "FORMFOOT" && col == 1)
            info.text = "合计";
        else if (area == "FORMFOOT" && col == 2)
            info.text = "-170.50";
        else if (area == "HEAD" && row == 0 && col == 0)
            info.text = "帐户：1001 库存现金";
        else if (area == "HEAD" && row == 1 && col == 0)
            info.text = " 单位：岚屿穗";
        else if (area == "FOOT" && col == 1)
            info.text = "制  表：×××";
        return info;
    }
};

// The texts of a table, numbers as the view shows them, for one comparison.
std::vector<Row> textsOf(const std::vector<ExportRow>& rows)
{
    std::vector<Row> texts;
    for (const ExportRow& row : rows) {
        Row cells;
        for (const ExportCell& cell : row)
            cells.push_back(cell.isNumber ? "#" + FixedText(cell.number, cell.decimals) : cell.text);
        texts.push_back(cells);
    }
    return texts;
}

// A member of a zip file, read with unzip; empty when it could not be read.
QByteArray zipMember(const QString& file, const QString& member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, member});
    if (!unzip.waitForFinished(60000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

// The cells of the first sheet of a workbook by reference ("A1"): shared strings resolved, numbers
// as they are written; style index of each cell.
struct SheetCell {
    QString value;
    bool text = false;
    int style = 0;
};
std::map<QString, SheetCell> readSheet(const QString& file)
{
    QStringList shared;
    QXmlStreamReader strings(zipMember(file, QStringLiteral("xl/sharedStrings.xml")));
    while (!strings.atEnd()) {
        strings.readNext();
        if (strings.isStartElement() && strings.name() == QLatin1String("si"))
            shared << QString();
        else if (strings.isStartElement() && strings.name() == QLatin1String("t"))
            shared.back() += strings.readElementText();
    }
    std::map<QString, SheetCell> cells;
    QXmlStreamReader sheet(zipMember(file, QStringLiteral("xl/worksheets/sheet1.xml")));
    QString reference;
    bool sharedText = false;
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (sheet.isStartElement() && sheet.name() == QLatin1String("c")) {
            reference = sheet.attributes().value(QLatin1String("r")).toString();
            sharedText = sheet.attributes().value(QLatin1String("t")) == QLatin1String("s");
            cells[reference].style = sheet.attributes().value(QLatin1String("s")).toInt();
        } else if (sheet.isStartElement() && sheet.name() == QLatin1String("v")) {
            const QString value = sheet.readElementText();
            SheetCell& cell = cells[reference];
            cell.text = sharedText;
            cell.value = sharedText ? shared.value(value.toInt()) : value;
        }
    }
    return cells;
}

QString cellName(int row, int col)
{
    return QString(QChar(u'A' + col)) + QString::number(row + 1);
}

} // namespace

class FormExportTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FixedClock m_clock{CivilDate{2026, 4, 30}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    // The balance table at the end of March on a year file of its own.
    std::unique_ptr<CKszwzb5> balanceView()
    {
        const QString folder = m_dir.path() + QStringLiteral("/set");
        if (!QDir(folder).exists()) {
            QDir().mkpath(folder);
            const std::string path = (folder + QStringLiteral("/2026.ksk")).toStdString();
            createYearFile(path, 2026);
            Database::open(path).execute("UPDATE SYSTAB SET NA=?1", {std::string("岚屿穗演示公司")});
            m_env = std::make_unique<CKszwEnv>();
            ScriptedPrompt quiet;
            if (!confirmLogin(*m_env, path, "102", "", quiet))
                qFatal("login refused: %s", quiet.last().c_str());
            MemoryUserSettings settings;
            m_env->completeLogin(settings);
            importSubjects(m_env->db(), kChart);
            importOpeningBalances(m_env->db(), kOpening);
            importVouchers(*m_env, m_clock, kVouchers);
            m_env->db().execute("UPDATE CERDIR SET MK='4'");
            m_env->db().execute("UPDATE P0 SET MK='4' WHERE CER<>'    '");
        }
        auto view = std::make_unique<CKszwzb5>(*m_env, m_clock);
        view->setPrompt(m_prompt);
        view->resize(900, 640);
        view->setConditions(BalanceConditions{"", "20260331", 3});
        return view;
    }

    // The body rows the balance view shows, up to its last filled row.
    static std::vector<Row> shownRows(const CKszwzb5& view)
    {
        std::vector<Row> shown;
        for (int row = 0; row < view.textRowCount(); ++row) {
            Row cells;
            for (int col = 0; col < view.columnCount(); ++col)
                cells.push_back(view.displayedText(row, col, "TEXT"));
            shown.push_back(cells);
        }
        while (!shown.empty() && shown.back() == Row(shown.back().size()))
            shown.pop_back();
        return shown;
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    void init() { m_prompt.clear(); }

    void theTableIsTakenFromWhatTheViewDraws()
    {
        SampleView view;
        view.resize(300, 200); // narrow: the long summary is shortened on the screen
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const ExportTable table = collectExportTable(view);
        QCOMPARE(table.title, std::string("样 本 帐"));
        QCOMPARE(textsOf(table.headLines), (std::vector<Row>{{"帐户：1001 库存现金", "", "", "", ""},
                                                             {"单位：岚屿穗", "", "", "", "第 1 页"}}));
        QCOMPARE(textsOf(table.headerRows), (std::vector<Row>{{"月", "摘  要", "发生额", "借或贷", "余    额"}}));
        QCOMPARE(textsOf(table.rows),
                 (std::vector<Row>{{"01", "期 初 余 额", "", "借", "#1000.00"},
                                   {"03", "一段很长很长很长很长很长的摘要文字", "#-250.5", "贷", "#12345678.90"},
                                   {"", "", "", "", ""},
                                   {"04", "转存", "#80.00", "平", ""}}));
        QCOMPARE(textsOf(table.footRows), (std::vector<Row>{{"", "合计", "#-170.50", "", ""}}));
        QCOMPARE(textsOf(table.footLines), (std::vector<Row>{{"", "", "制  表：×××", "", ""}}));
        QCOMPARE(table.columnWidths, (std::vector<int>{4, 9, 11, 3, 15}));
        // The month and direction columns are centred as the view centres them.
        QCOMPARE(table.rows[0][3].align, ExportAlign::Center);
        QCOMPARE(table.rows[0][0].align, ExportAlign::Left);
        QCOMPARE(table.rows[0][4].align, ExportAlign::Right);
        QCOMPARE(table.rows[1][4].text, std::string("12,345,678.90"));
        QCOMPARE(table.rows[1][2].decimals, 1);
        // The screen is drawn as before once the export is done.
        QImage shot = view.grab().toImage();
        QVERIFY(!shot.isNull());
    }

    void theBalanceTableGoesOutWithTheNumbersItShows()
    {
        auto view = balanceView();
        const std::vector<Row> shown = shownRows(*view);
        QCOMPARE(shown.size(), size_t(7));
        QCOMPARE(shown[1], (Row{"1002", "银行存款", "借", "1,274,567.94"}));

        const ExportTable table = collectExportTable(*view);
        QCOMPARE(table.title, std::string("帐户余额表"));
        QCOMPARE(textsOf(table.headLines), (std::vector<Row>{{"", "截止时间：2026 年 3 月 31 日", "", ""},
                                                             {"单位：岚屿穗演示公司", "", "", ""}}));
        QCOMPARE(textsOf(table.headerRows), (std::vector<Row>{{"科 目 代 码", "科  目  名  称", "借或贷", "余    额"}}));
        QCOMPARE(textsOf(table.footLines), (std::vector<Row>{{"会计主管：", "复  核：", "制  表：×××", ""}}));
        QCOMPARE(table.columnWidths, (std::vector<int>{17, 41, 5, 17}));
        QCOMPARE(table.rows.size(), shown.size());
        for (size_t row = 0; row < shown.size(); ++row) {
            for (size_t col = 0; col < 3; ++col) {
                QCOMPARE(table.rows[row][col].isNumber, false);
                QCOMPARE(table.rows[row][col].text, shown[row][col]); // a centred total keeps its blanks
            }
            const ExportCell& amount = table.rows[row][3];
            QCOMPARE(amount.isNumber, !shown[row][3].empty());
            if (amount.isNumber) {
                QCOMPARE(amount.decimals, 2);
                QCOMPARE(FormatNumber(amount.number, 0, 2, 2), shown[row][3]);
            }
        }

        // The CSV file: a byte-order mark, the same rows, amounts as plain numbers.
        const QString csvFile = m_dir.filePath(QStringLiteral("balance.csv"));
        QVERIFY(exportViewToCsv(*view, csvFile, m_prompt));
        QFile csv(csvFile);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF帐户余额表,,,\r\n"));
        const CsvReadResult records = readCsv(std::string_view(bytes.constData() + 3, size_t(bytes.size() - 3)));
        QVERIFY(records.error.empty());
        QCOMPARE(records.records.size(), size_t(1 + 2 + 1 + 7 + 1));
        QCOMPARE(records.records[3].fields, (Row{"科 目 代 码", "科  目  名  称", "借或贷", "余    额"}));
        QCOMPARE(records.records[5].fields, (Row{"1002", "银行存款", "借", "1274567.94"}));
        for (size_t row = 0; row < shown.size(); ++row) {
            const Row& fields = records.records[4 + row].fields;
            const std::optional<Figure> figure = parseFigure(shown[row][3]);
            QCOMPARE(fields[3], figure ? FixedText(figure->value, 2) : std::string());
            QCOMPARE(fields[0], shown[row][0]);
        }

        // The workbook: the same numbers as numbers, in the "#,##0.00" format.
        const QString xlsxFile = m_dir.filePath(QStringLiteral("balance.xlsx"));
        QVERIFY(exportViewToXlsx(*view, xlsxFile, m_prompt));
        const std::map<QString, SheetCell> cells = readSheet(xlsxFile);
        QCOMPARE(cells.at(QStringLiteral("A1")).value, QStringLiteral("帐户余额表"));
        QCOMPARE(cells.at(QStringLiteral("B2")).value, QStringLiteral("截止时间：2026 年 3 月 31 日"));
        QCOMPARE(cells.at(QStringLiteral("C4")).value, QStringLiteral("借或贷"));
        const QByteArray styles = zipMember(xlsxFile, QStringLiteral("xl/styles.xml"));
        QVERIFY(styles.contains("formatCode=\"#,##0.00\""));
        for (size_t row = 0; row < shown.size(); ++row) {
            const int sheetRow = 4 + static_cast<int>(row);
            QCOMPARE(cells.at(cellName(sheetRow, 0)).value.toStdString(), shown[row][0]);
            QCOMPARE(cells.at(cellName(sheetRow, 0)).text, !shown[row][0].empty());
            const auto amount = cells.find(cellName(sheetRow, 3));
            QVERIFY(amount != cells.end());
            if (shown[row][3].empty()) {
                QVERIFY(amount->second.value.isEmpty());
                continue;
            }
            QVERIFY(!amount->second.text);
            QCOMPARE(FormatNumber(amount->second.value.toDouble(), 0, 2, 2), shown[row][3]);
        }
        QVERIFY(m_prompt.entries().empty());

        if (const QByteArray folder = qgetenv("KSZW_SCREENSHOT_DIR"); !folder.isEmpty()) {
            exportViewToXlsx(*view, QString::fromLocal8Bit(folder) + QStringLiteral("/balance_export.xlsx"), m_prompt);
            exportViewToCsv(*view, QString::fromLocal8Bit(folder) + QStringLiteral("/balance_export.csv"), m_prompt);
        }
    }

    void theContextMenuOffersTheExportsOfTheGeneralMenu()
    {
        auto view = balanceView();
        QMenu* exports = nullptr;
        for (QAction* action : view->formMenu()->actions())
            if (action->menu() && action->text() == QStringLiteral("导出(&X)"))
                exports = action->menu();
        QVERIFY(exports);
        QStringList texts;
        std::vector<int> ids;
        for (QAction* action : exports->actions()) {
            texts << action->text();
            ids.push_back(action->data().toInt());
        }
        QCOMPARE(texts, (QStringList{QStringLiteral("导出 CSV 文件(&C)..."), QStringLiteral("导出 Excel 文件(&E)..."),
                                     QStringLiteral("输出 PDF 文件(&O)...")}));
        QCOMPARE(ids, (std::vector<int>{cmd::kExportCsv, cmd::kExportXlsx, cmd::kExportPdf}));
        for (int id : ids)
            QVERIFY(view->isCommandEnabled(id));
        // The view's own items still come after the base ones.
        QCOMPARE(view->formMenu()->actions().constLast()->text(), QStringLiteral("返回上一级(&U)"));

        // The Excel item asks for the file with the view's name proposed, then writes it.
        const QString target = m_dir.filePath(QStringLiteral("from_menu.xlsx"));
        QFile::remove(target);
        QString proposed;
        ModalCloser closer;
        closer.actOn<QFileDialog>([&](QFileDialog& dialog) {
            proposed = QFileInfo(dialog.selectedFiles().value(0)).fileName();
            dialog.selectFile(target);
            QMetaObject::invokeMethod(&dialog, "accept");
        });
        exports->actions().at(1)->trigger();
        QCOMPARE(closer.classNames(), QStringList{QStringLiteral("QFileDialog")});
        QCOMPARE(closer.seen().front().title, QStringLiteral("导出 Excel 文件"));
        QCOMPARE(proposed, QStringLiteral("帐户余额表.xlsx"));
        QVERIFY(QFileInfo(target).size() > 0);
        QCOMPARE(readSheet(target).at(QStringLiteral("A1")).value, QStringLiteral("帐户余额表"));
    }

    void cancellingTheCsvDialogWritesNothing()
    {
        auto view = balanceView();
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);
        ModalCloser closer; // rejects the dialog
        QVERIFY(view->runCommand(cmd::kExportCsv));
        QCOMPARE(closer.seen().size(), size_t(1));
        QCOMPARE(closer.seen().front().title, QStringLiteral("导出 CSV 文件"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), before);
        QVERIFY(m_prompt.entries().empty());
    }

    void aFileThatCannotBeWrittenIsToldAndLeavesNothing()
    {
        auto view = balanceView();
        const QString missing = m_dir.filePath(QStringLiteral("no such folder/balance.xlsx"));
        QVERIFY(!exportViewToXlsx(*view, missing, m_prompt));
        QCOMPARE(m_prompt.last(), "无法写入文件“" + missing.toStdString() + "”！");
        // A folder in the target's place: refused, and no temporary file stays beside it.
        const QString folder = m_dir.filePath(QStringLiteral("taken"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(!exportViewToCsv(*view, folder, m_prompt));
        QCOMPARE(m_prompt.last(), "无法写入文件“" + folder.toStdString() + "”！");
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden), QStringList());
    }

    void theProposedNameIsTheViewsTitleMadeSafe()
    {
        SampleView view;
        view.setWindowTitle(QStringLiteral("总分类帐 1001/库存现金[*]"));
        QCOMPARE(proposedExportName(view, QStringLiteral("csv")), QStringLiteral("总分类帐 1001库存现金.csv"));
        view.setWindowTitle(QString());
        QCOMPARE(proposedExportName(view, QStringLiteral("xlsx")), QStringLiteral("样 本 帐.xlsx"));
    }
};

QTEST_MAIN(FormExportTest)
#include "form_export_test.moc"
