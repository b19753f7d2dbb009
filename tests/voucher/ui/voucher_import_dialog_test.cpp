// The voucher import dialog on an offscreen screen, on real year files: a GBK file read and said
// to be GBK, every row previewed with the number it will be stored under, a refused row in red
// with 确认 disabled and nothing written, 确认 storing the whole file, 取消 and an unreadable file
// writing nothing, and a file changed under the preview refused at 确认. With
// KSZW_SCREENSHOT_DIR=folder the dialog with a refused row is saved there as voucher_import.png,
// and with a GBK file as voucher_import_gbk.png.
#include "accountset/year_file.h"
#include "chart/chart_import.h"
#include "common/clock.h"
#include "common/prompt.h"
#include "formview/ui/modal_closer.h"
#include "session/kszw_env.h"
#include "session/user_settings.h"
#include "store/database.h"
#include "voucher/ui/voucher_import_dialog.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <memory>

using namespace kszw;

namespace {

constexpr std::string_view kChart = "code,name,kind,unit,multi_column,direction,width\n"
                                    "1001,库存现金,0,,0,0,0\n"
                                    "1002,银行存款,0,,0,0,0\n"
                                    "1403,原材料,1,吨,0,0,0\n"
                                    "2202,应付账款,0,,0,0,0\n"
                                    "6602,管理费用,0,,0,0,0\n";

constexpr std::string_view kCsvHead = "date,number,attachments,summary,subject,debit,credit,quantity\r\n";

// 提取现金 and 购入钢材 in GBK.
const std::string kWithdrawGbk = "\xCC\xE1\xC8\xA1\xCF\xD6\xBD\xF0";
const std::string kSteelGbk = "\xB9\xBA\xC8\xEB\xB8\xD6\xB2\xC4";

// Two vouchers in GBK, both numbered by the generator.
std::string gbkVouchers()
{
    return std::string(kCsvHead) + "20260305,,1," + kWithdrawGbk + ",1001,500,,\r\n" + "20260305,,1," + kWithdrawGbk +
           ",1002,,500,\r\n" + "20260310,,0," + kSteelGbk + ",1403,2500,,5\r\n" + "20260310,,0," + kSteelGbk +
           ",2202,,2500,\r\n";
}

// Three vouchers, the middle one with a subject that does not exist on line 5.
std::string vouchersWithABadRow()
{
    return std::string(kCsvHead) + "20260305,1,1,提取现金,1001,500,,\n20260305,1,1,提取现金,1002,,500,\n"
                                   "20260310,,0,购入钢材,1403,2500,,5\n20260310,,0,购入钢材,2209,,2500,\n"
                                   "20260312,,0,报销差旅费,6602,380.5,,\n20260312,,0,报销差旅费,1001,,380.5,\n";
}

QStringList rowTexts(const QTableWidget& table, int row)
{
    QStringList texts;
    for (int c = 0; c < table.columnCount(); ++c)
        texts << table.item(row, c)->text();
    return texts;
}

} // namespace

class VoucherImportDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;
    FixedClock m_clock{CivilDate{2026, 3, 15}};
    std::unique_ptr<CKszwEnv> m_env;
    ScriptedPrompt m_prompt;

    Database& db() { return m_env->db(); }
    int count(const char* sql) { return static_cast<int>(db().queryLong(sql)); }

    // A file of these bytes in the test folder.
    QString writeFile(const QString& name, const std::string& bytes)
    {
        const QString path = m_dir.filePath(name);
        std::ofstream(QFile::encodeName(path).toStdString(), std::ios::binary) << bytes;
        return path;
    }

    std::unique_ptr<CVoucherImportDlg> dialog()
    {
        auto shown = std::make_unique<CVoucherImportDlg>(*m_env, m_clock, m_prompt);
        shown->show();
        return shown;
    }

private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                            QStringLiteral("Noto Sans CJK SC")});
        QVERIFY(m_dir.isValid());
    }

    // Every test works on a year file of its own with a small chart, logged in as 102.
    void init()
    {
        const std::string folder = (m_dir.path() + QStringLiteral("/set%1").arg(++m_files)).toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
        const std::string path = folder + "/2026.ksk";
        createYearFile(path, 2026);
        m_env = std::make_unique<CKszwEnv>();
        ScriptedPrompt quiet;
        QVERIFY2(confirmLogin(*m_env, path, "102", "", quiet), quiet.last().c_str());
        MemoryUserSettings settings;
        m_env->completeLogin(settings);
        QVERIFY(importSubjects(db(), kChart).ok);
        m_prompt.clear();
    }

    void cleanup() { m_env.reset(); }

    void aGbkFileIsReadAndEveryRowPreviewedWithItsNumber()
    {
        auto shown = dialog();
        QCOMPARE(shown->windowTitle(), QStringLiteral("导入凭证"));
        QVERIFY(!shown->confirmButton()->isEnabled());
        const QString path = writeFile(QStringLiteral("gbk.csv"), gbkVouchers());
        QVERIFY(shown->loadFile(path));
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{});
        QCOMPARE(shown->encodingText()->text(), QStringLiteral("编码：GBK"));
        QCOMPARE(shown->fileText()->text(), QStringLiteral("文件：") + path);
        const QTableWidget& table = *shown->previewTable();
        QStringList headers;
        for (int c = 0; c < table.columnCount(); ++c)
            headers << table.horizontalHeaderItem(c)->text();
        QCOMPARE(headers, QStringList({"行号", "日期", "凭证号", "摘要", "科目", "借方", "贷方", "数量", "结果"}));
        QCOMPARE(table.rowCount(), 4);
        QCOMPARE(rowTexts(table, 0),
                 QStringList({"2", "20260305", "0001", "提取现金", "1001", "500.00", "", "", "正确"}));
        QCOMPARE(rowTexts(table, 1),
                 QStringList({"3", "20260305", "0001", "提取现金", "1002", "", "500.00", "", "正确"}));
        QCOMPARE(rowTexts(table, 2),
                 QStringList({"4", "20260310", "0002", "购入钢材", "1403", "2500.00", "", "5", "正确"}));
        QCOMPARE(rowTexts(table, 3),
                 QStringList({"5", "20260310", "0002", "购入钢材", "2202", "", "2500.00", "", "正确"}));
        QCOMPARE(shown->summaryText()->text(), QStringLiteral("2张凭证，4行，0行有错"));
        QVERIFY(shown->confirmButton()->isEnabled());
        // The preview wrote nothing.
        QCOMPARE(count("SELECT count(*) FROM CERDIR"), 0);
        QCOMPARE(count("SELECT count(*) FROM P0"), 0);
    }

    void aRefusedRowIsShownInRedAndNothingCanBeStored()
    {
        auto shown = dialog();
        QVERIFY(shown->loadFile(writeFile(QStringLiteral("bad.csv"), vouchersWithABadRow())));
        QCOMPARE(shown->encodingText()->text(), QStringLiteral("编码：UTF-8"));
        const QTableWidget& table = *shown->previewTable();
        QCOMPARE(table.rowCount(), 6);
        QCOMPARE(rowTexts(table, 3),
                 QStringList({"5", "20260310", "", "购入钢材", "2209", "", "2500.00", "", "科目“2209”不存在!"}));
        for (int c = 0; c < table.columnCount(); ++c)
            QCOMPARE(table.item(3, c)->foreground().color(), QColor(0xC0, 0x00, 0x00));
        QVERIFY(table.item(2, CVoucherImportDlg::ResultColumn)->foreground().color() != QColor(0xC0, 0x00, 0x00));
        // The voucher after the refused one takes the number the import would give it.
        QCOMPARE(table.item(4, CVoucherImportDlg::NumberColumn)->text(), QStringLiteral("0002"));
        QCOMPARE(shown->summaryText()->text(), QStringLiteral("3张凭证，6行，1行有错"));
        QVERIFY(!shown->confirmButton()->isEnabled());
        shown->confirm(); // even called directly it stores nothing
        QVERIFY(shown->isVisible());
        QTest::mouseClick(shown->cancelButton(), Qt::LeftButton);
        QCOMPARE(shown->result(), int(QDialog::Rejected));
        QCOMPARE(shown->storedVouchers(), 0);
        QCOMPARE(count("SELECT count(*) FROM CERDIR"), 0);
        QCOMPARE(count("SELECT count(*) FROM P0"), 0);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{});

        const QString folder = qEnvironmentVariable("KSZW_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            auto again = dialog();
            QVERIFY(again->loadFile(writeFile(QStringLiteral("凭证.csv"), vouchersWithABadRow())));
            again->grab().save(folder + QStringLiteral("/voucher_import.png"));
            QVERIFY(again->loadFile(writeFile(QStringLiteral("gbk.csv"), gbkVouchers())));
            again->grab().save(folder + QStringLiteral("/voucher_import_gbk.png"));
        }
    }

    void confirmStoresTheWholeFileAndSaysHowMuch()
    {
        auto shown = dialog();
        QVERIFY(shown->loadFile(writeFile(QStringLiteral("gbk.csv"), gbkVouchers())));
        QTest::mouseClick(shown->confirmButton(), Qt::LeftButton);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"已导入2张凭证，共4行。"});
        QCOMPARE(m_prompt.entries().front().icon, Icon::Information);
        QCOMPARE(shown->result(), int(QDialog::Accepted));
        QVERIFY(!shown->isVisible());
        QCOMPARE(shown->storedVouchers(), 2);
        QCOMPARE(count("SELECT count(*) FROM CERDIR WHERE CER IN ('0001','0002') AND OPP='102'"), 2);
        QCOMPARE(count("SELECT count(*) FROM P0 WHERE trim(MRY) IN ('提取现金','购入钢材')"), 4);
    }

    // An unbalanced voucher is stored as an incomplete one: the preview says so before 确认.
    void anUnbalancedVoucherIsMarkedInThePreview()
    {
        auto shown = dialog();
        QVERIFY(shown->loadFile(writeFile(QStringLiteral("unbalanced.csv"),
                                          "date,number,attachments,summary,subject,debit,credit,quantity\n"
                                          "20260310,61,0,报销,6602,100,,\n"
                                          "20260310,61,0,报销,1001,,90,\n"
                                          "20260311,62,0,提现,1001,50,,\n"
                                          "20260311,62,0,提现,1002,,50,\n")));
        QTableWidget* table = shown->previewTable();
        QCOMPARE(table->item(0, CVoucherImportDlg::ResultColumn)->text(), QStringLiteral("借贷不平衡，将存为未完成凭证"));
        QCOMPARE(table->item(1, CVoucherImportDlg::ResultColumn)->text(), QStringLiteral("借贷不平衡，将存为未完成凭证"));
        QCOMPARE(table->item(2, CVoucherImportDlg::ResultColumn)->text(), QStringLiteral("正确"));
        QCOMPARE(shown->summaryText()->text(), QStringLiteral("2张凭证，4行，0行有错，1张借贷不平衡"));
        QVERIFY(shown->confirmButton()->isEnabled());
    }

    void aFileInNeitherEncodingIsRefusedAndThePreviewStays()
    {
        auto shown = dialog();
        const QString good = writeFile(QStringLiteral("good.csv"), gbkVouchers());
        QVERIFY(shown->loadFile(good));
        QVERIFY(!shown->loadFile(writeFile(QStringLiteral("u16.csv"), std::string("\xFF\xFE" "d\0a\0", 6))));
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"文件“u16.csv”既不是UTF-8编码也不是GBK编码，不能读入！"});
        QVERIFY(!shown->loadFile(m_dir.filePath(QStringLiteral("missing.csv"))));
        QCOMPARE(QString::fromStdString(m_prompt.last()),
                 QStringLiteral("无法打开此文件！\n") + m_dir.filePath(QStringLiteral("missing.csv")));
        QCOMPARE(shown->fileText()->text(), QStringLiteral("文件：") + good);
        QCOMPARE(shown->encodingText()->text(), QStringLiteral("编码：GBK"));
        QCOMPARE(shown->previewTable()->rowCount(), 4);
        QVERIFY(shown->confirmButton()->isEnabled());
    }

    void aFileChangedUnderThePreviewIsRefusedAtConfirm()
    {
        auto shown = dialog();
        QVERIFY(shown->loadFile(writeFile(QStringLiteral("v.csv"), std::string(kCsvHead) +
                                                                      "20260305,1,0,提现,1001,5,,\n"
                                                                      "20260305,1,0,提现,1002,,5,\n"
                                                                      "20260306,2,0,提现,1001,5,,\n"
                                                                      "20260306,2,0,提现,1002,,5,\n")));
        QVERIFY(shown->confirmButton()->isEnabled());
        // Another copy of the program stores voucher 0002 of March meanwhile.
        db().execute("INSERT INTO CERDIR(T,CER,OPP,PN,LY,MK,TT) VALUES('20260301','0002','103',0,'0','1','03')");
        QTest::mouseClick(shown->confirmButton(), Qt::LeftButton);
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"有1行有错，没有导入任何凭证！"});
        QVERIFY(shown->isVisible());
        QCOMPARE(shown->previewTable()->item(2, CVoucherImportDlg::ResultColumn)->text(),
                 QStringLiteral("凭证重号，本月已有第0002号凭证！"));
        QCOMPARE(shown->summaryText()->text(), QStringLiteral("2张凭证，4行，1行有错"));
        QVERIFY(!shown->confirmButton()->isEnabled());
        QCOMPARE(count("SELECT count(*) FROM CERDIR"), 1);
        QCOMPARE(count("SELECT count(*) FROM P0"), 0);
    }

    void theCommandAsksForAFileAndImportsItOnConfirm()
    {
        const QString path = writeFile(QStringLiteral("gbk.csv"), gbkVouchers());
        int asked = 0;
        // No file chosen: no dialog at all.
        {
            ModalCloser closer;
            CVoucherImportDlg::openImport(*m_env, m_clock, m_prompt, nullptr, [&](QWidget*) {
                ++asked;
                return QString();
            });
            QCOMPARE(closer.classNames(), QStringList());
        }
        QStringList seenEncodings;
        {
            ModalCloser closer;
            closer.actOn<CVoucherImportDlg>([&](CVoucherImportDlg& shown) {
                seenEncodings << shown.encodingText()->text();
                shown.confirmButton()->click();
            });
            CVoucherImportDlg::openImport(*m_env, m_clock, m_prompt, nullptr, [&](QWidget*) {
                ++asked;
                return path;
            });
            QCOMPARE(closer.classNames(), QStringList({"kszw::CVoucherImportDlg"}));
        }
        QCOMPARE(asked, 2);
        QCOMPARE(seenEncodings, QStringList({"编码：GBK"}));
        QCOMPARE(m_prompt.texts(), std::vector<std::string>{"已导入2张凭证，共4行。"});
        QCOMPARE(count("SELECT count(*) FROM CERDIR"), 2);
    }

    void chooseFileReplacesThePreview()
    {
        auto shown = dialog();
        const QString bad = writeFile(QStringLiteral("bad.csv"), vouchersWithABadRow());
        const QString good = writeFile(QStringLiteral("good.csv"), gbkVouchers());
        QVERIFY(shown->loadFile(bad));
        QVERIFY(!shown->confirmButton()->isEnabled());
        shown->setFileChooser([&](QWidget*) { return good; });
        QTest::mouseClick(shown->chooseButton(), Qt::LeftButton);
        QCOMPARE(shown->previewTable()->rowCount(), 4);
        QCOMPARE(shown->summaryText()->text(), QStringLiteral("2张凭证，4行，0行有错"));
        QVERIFY(shown->confirmButton()->isEnabled());
        // Choosing nothing keeps what is shown.
        shown->setFileChooser([](QWidget*) { return QString(); });
        QVERIFY(!shown->chooseFile());
        QCOMPARE(shown->fileText()->text(), QStringLiteral("文件：") + good);
    }
};

QTEST_MAIN(VoucherImportDialogTest)
#include "voucher_import_dialog_test.moc"
