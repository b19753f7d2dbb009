// The chart of accounts directory (科目目录操纵) and the subject dialog it opens: the level's lines
// and count, moving down and up the tree by keys and by a typed code, adding, modifying and
// deleting through the core, the refusals with their exact messages, the subtree menu, and which
// of the subject dialog's fields are offered.
#include "accountset/year_file.h"
#include "chart/subjects.h"
#include "chart/ui/subject_dialog.h"
#include "chart/ui/subject_directory_dialog.h"
#include "common/prompt.h"
#include "formview/ui/spec_edit.h"
#include "store/database.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kszw;

namespace {

struct NewSubject {
    const char* code;
    const char* name;
    int kind = 0;
    const char* unit = "";
    bool multiColumn = false;
    int direction = 0;
    int width = 0;
};

// Adds subjects through the core, parents first; returns the first refusal, empty when none.
QString addSubjects(Database& db, std::initializer_list<NewSubject> subjects)
{
    for (const NewSubject& s : subjects) {
        const std::string code = s.code;
        const size_t dash = code.rfind('-');
        SubjectInput input;
        input.segment = dash == std::string::npos ? code : code.substr(dash + 1);
        input.name = s.name;
        input.kind = s.kind;
        input.unit = s.unit;
        input.multiColumn = s.multiColumn;
        input.direction = s.direction;
        input.width = s.width;
        const SubjectResult result = addSubject(db, dash == std::string::npos ? "" : code.substr(0, dash), input);
        if (!result.ok)
            return QString::fromStdString(code + ": " + result.message);
    }
    return QString();
}

QStringList listLines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

QString lastMessage(const ScriptedPrompt& prompt)
{
    return QString::fromStdString(prompt.last());
}

} // namespace

class SubjectDirectoryDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Database m_db;

    int count(const std::string& sql, const SqlParams& params = {}) { return m_db.queryLong(sql, params); }

    // Selects the line of the code in the directory's list.
    static void select(CSubjectDirectoryDlg& dialog, const QString& code)
    {
        QListWidget* list = dialog.subjectList();
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().startsWith(code + QLatin1Char(' ')))
                list->setCurrentRow(i);
        QCOMPARE(dialog.selectedCode(), code);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const std::string path = (m_dir->path() + QStringLiteral("/2026.ksk")).toStdString();
        createYearFile(path, 2026);
        m_db = Database::open(path);
        const QString refusal = addSubjects(m_db, {
                                                      {"1001", "库存现金"},
                                                      {"1002", "银行存款"},
                                                      {"1002-1", "工商银行"},
                                                      {"1002-2", "建设银行"},
                                                      {"1002-10", "农业银行"},
                                                      {"1403", "原材料", 1, "吨"},
                                                      {"2202", "应付账款"},
                                                      {"5", "专用"},
                                                      {"6602", "管理费用", 0, "", true},
                                                      {"6602-1", "办公费", 0, "", false, 1, 4},
                                                      {"7", "一"},
                                                      {"7-1", "二"},
                                                      {"7-1-1", "三"},
                                                      {"7-1-1-1", "四"},
                                                      {"7-1-1-1-1", "五"},
                                                      {"7-1-1-1-1-1", "六"},
                                                  });
        QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
        m_db.execute("UPDATE SUBT SET OP='3' WHERE KNO='5'");
    }

    void cleanup()
    {
        m_db.close();
        m_dir.reset();
    }

    void theTopLevelShowsFixedWidthLinesAndTheCount()
    {
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("科目目录操纵"));
        QCOMPARE(listLines(dialog.subjectList()),
                 (QStringList{"5                专用", "7                一", "1001             库存现金",
                              "1002             银行存款", "1403             原材料", "2202             应付账款",
                              "6602             管理费用"}));
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("本级共有科目7个\n子目[→]、 上级[←]"));
        QCOMPARE(dialog.codeBox()->currentText(), QString());
        QCOMPARE(dialog.selectedCode(), QStringLiteral("5"));
        QVERIFY(prompt.entries().empty());
    }

    void theArrowKeysGoDownIntoChildrenAndBackUpToTheFormerParent()
    {
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        select(dialog, QStringLiteral("1002"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Right);
        QCOMPARE(dialog.levelCode(), QStringLiteral("1002"));
        QCOMPARE(dialog.codeBox()->currentText(), QStringLiteral("1002"));
        // Children in the numeric order of their last segment.
        QCOMPARE(listLines(dialog.subjectList()),
                 (QStringList{"1002-1           工商银行", "1002-2           建设银行", "1002-10          农业银行"}));
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("本级共有科目3个\n子目[→]、 上级[←]"));

        QTest::keyClick(dialog.subjectList(), Qt::Key_Left);
        QCOMPARE(dialog.levelCode(), QString());
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1002"));
        // At the top level ← stays.
        QTest::keyClick(dialog.subjectList(), Qt::Key_Left);
        QCOMPARE(dialog.levelCode(), QString());

        // A leaf has an empty level, where the first child is added.
        select(dialog, QStringLiteral("1001"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Right);
        QCOMPARE(dialog.levelCode(), QStringLiteral("1001"));
        QCOMPARE(dialog.subjectList()->count(), 0);
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("请按增加按扭增加科目"));
        QVERIFY(!dialog.modifyButton()->isEnabled());
        QVERIFY(prompt.entries().empty());
    }

    void aReservedOrForeignCurrencySubjectCannotBeEntered()
    {
        m_db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元',NULL)");
        QCOMPARE(addSubjects(m_db, {{"1002-11", "中行美元户", 2, "1"}}), QString());
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        select(dialog, QStringLiteral("5"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Right);
        QCOMPARE(lastMessage(prompt), QStringLiteral("“5”科目为专用科目，无子细目!"));
        QCOMPARE(dialog.levelCode(), QString());

        dialog.showLevel(QStringLiteral("1002"), QStringLiteral("1002-11"));
        dialog.enterSelected(); // 进入子目录 of the menu
        QCOMPARE(lastMessage(prompt), QStringLiteral("“1002-11”科目为外币科目，无子细目!"));
        QCOMPARE(dialog.levelCode(), QStringLiteral("1002"));
        QCOMPARE(prompt.entries().front().caption, std::string("岚屿穗软件"));
        QCOMPARE(prompt.entries().front().icon, Icon::Exclamation);
    }

    void aTypedOrChosenCodeShowsThatCodesLevel()
    {
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        QLineEdit* edit = dialog.codeBox()->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("1002"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialog.levelCode(), QStringLiteral("1002"));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1002-1"));
        QCOMPARE(dialog.codeBox()->currentText(), QStringLiteral("1002"));

        // "7-1-" alike.
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("7-1-"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialog.levelCode(), QStringLiteral("7-1"));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("7-1-1"));
        // The drop-down holds the levels on the way down; choosing one shows it.
        QCOMPARE(dialog.codeBox()->count(), 2);
        QCOMPARE(dialog.codeBox()->itemText(0), QStringLiteral("7"));
        dialog.codeBox()->setCurrentIndex(0);
        emit dialog.codeBox()->activated(0);
        QCOMPARE(dialog.levelCode(), QStringLiteral("7"));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("7-1"));

        // Keys that reach the code box itself (a click on it gives it the focus) work alike.
        edit->clear();
        QTest::keyClicks(dialog.codeBox(), QStringLiteral("1002"));
        QTest::keyClick(dialog.codeBox(), Qt::Key_Return);
        QCOMPARE(dialog.levelCode(), QStringLiteral("1002"));

        // A code that does not exist is named, and nothing moves.
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("1009"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(lastMessage(prompt), QStringLiteral("科目“1009”不存在!"));
        QCOMPARE(dialog.levelCode(), QStringLiteral("1002"));

        // The empty code is the top level.
        edit->clear();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialog.levelCode(), QString());
        QCOMPARE(prompt.entries().size(), size_t(1));
    }

    void addingSavesTheSubjectAndSelectsItsLine()
    {
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        QString title;
        QString parentShown;
        dialog.runSubjectDialog = [&](CSubjectDlg& subject) {
            title = subject.windowTitle();
            parentShown = subject.parentField()->text();
            subject.segmentField()->setText(QStringLiteral("003"));
            subject.nameField()->setText(QStringLiteral("中国银行"));
            subject.confirm();
            return subject.result();
        };
        dialog.showLevel(QStringLiteral("1002"));
        dialog.addButton()->click();
        QCOMPARE(title, QStringLiteral("增加新科目(帐户)..."));
        QCOMPARE(parentShown, QStringLiteral("1002-"));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1002-3"));
        QCOMPARE(dialog.subjectList()->currentItem()->text(), QStringLiteral("1002-3           中国银行"));
        QCOMPARE(count("SELECT count(*) FROM SUBT WHERE KNO='1002-3' AND NA='中国银行' AND CLAS=2"), 1);
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("本级共有科目4个\n子目[→]、 上级[←]"));
        QVERIFY(prompt.entries().empty());
    }

    // The parent's checks refuse before the subject dialog opens.
    void aRefusedParentShowsItsMessageWithoutTheSubjectDialog_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("message");
        QTest::newRow("reserved") << "5" << "“5”科目为专用科目，禁止明细化!";
        QTest::newRow("six levels") << "7-1-1-1-1-1" << "该科目级数达６级，不能再设置子科目!";
        QTest::newRow("quantity") << "1403" << "1403科目已被指定为数量金额式核算，不能再明细化!";
    }

    void aRefusedParentShowsItsMessageWithoutTheSubjectDialog()
    {
        QFETCH(QString, level);
        QFETCH(QString, message);
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        int opened = 0;
        dialog.runSubjectDialog = [&](CSubjectDlg&) {
            ++opened;
            return int(QDialog::Rejected);
        };
        dialog.showLevel(level);
        dialog.addNew();
        QCOMPARE(lastMessage(prompt), message);
        QCOMPARE(opened, 0);
    }

    void modifyingPreloadsTheSubjectAndSavesTheChange()
    {
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        QString title;
        QString segment;
        QString name;
        dialog.runSubjectDialog = [&](CSubjectDlg& subject) {
            title = subject.windowTitle();
            segment = subject.segmentField()->text();
            name = subject.nameField()->text();
            subject.segmentField()->setText(QStringLiteral("12"));
            subject.nameField()->setText(QStringLiteral("工行城东支行"));
            subject.confirm();
            return subject.result();
        };
        dialog.showLevel(QStringLiteral("1002"), QStringLiteral("1002-1"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Return);
        QCOMPARE(title, QStringLiteral("修改科目(帐户)..."));
        QCOMPARE(segment, QStringLiteral("1"));
        QCOMPARE(name, QStringLiteral("工商银行"));
        QCOMPARE(listLines(dialog.subjectList()),
                 (QStringList{"1002-2           建设银行", "1002-10          农业银行", "1002-12          工行城东支行"}));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1002-12"));
        QCOMPARE(count("SELECT count(*) FROM SUBT WHERE KNO LIKE '1002-1'"), 0);
    }

    void theDeleteKeyDeletesWithoutAQuestionAndSelectsTheNextLine()
    {
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        dialog.showLevel(QStringLiteral("1002"), QStringLiteral("1002-1"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Delete);
        QVERIFY(prompt.entries().empty());
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1002-2"));
        QCOMPARE(dialog.subjectList()->count(), 2);
        QCOMPARE(count("SELECT count(*) FROM SUBT WHERE KNO LIKE '1002-%'"), 2);

        // The last line deleted: the new last line is selected.
        select(dialog, QStringLiteral("1002-10"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Delete);
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1002-2"));

        // A subject with lines and a brother keeps them.
        m_db.execute("INSERT INTO P0(T,CER,RN,MRY,KNO,F,MY,NU,MK,TT) VALUES('20260101','0001',1,'x','1001',1,5,0,'4','01')");
        dialog.showLevel(QString(), QStringLiteral("1001"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Delete);
        QCOMPARE(lastMessage(prompt), QStringLiteral("该科目本年度已有经济内容，不能删除!"));
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1001"));
        QCOMPARE(count("SELECT count(*) FROM SUBT WHERE KNO='1001'"), 1);
    }

    void copiedChildrenArePastedUnderTheSelectedSubject()
    {
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        select(dialog, QStringLiteral("2202"));
        dialog.pasteChildren();
        QCOMPARE(lastMessage(prompt), QStringLiteral("没有选择源对象或源对象子目不存在!"));

        select(dialog, QStringLiteral("1001"));
        dialog.copyChildren();
        QCOMPARE(lastMessage(prompt), QStringLiteral("所选择的对象没有子目!"));
        QVERIFY(!dialog.pendingSource());

        select(dialog, QStringLiteral("1002"));
        dialog.copyChildren();
        QVERIFY(dialog.pendingSource());
        QCOMPARE(dialog.pendingSource()->code, std::string("1002"));
        QVERIFY(!dialog.sourceLabel()->text().isEmpty());
        select(dialog, QStringLiteral("2202"));
        dialog.pasteChildren();
        QCOMPARE(prompt.entries().size(), size_t(2));
        QVERIFY(!dialog.pendingSource());
        QVERIFY(dialog.sourceLabel()->text().isEmpty());
        QCOMPARE(dialog.selectedCode(), QStringLiteral("2202"));
        QTest::keyClick(dialog.subjectList(), Qt::Key_Right);
        QCOMPARE(listLines(dialog.subjectList()),
                 (QStringList{"2202-1           工商银行", "2202-2           建设银行", "2202-10          农业银行"}));
    }

    void deletingAllChildrenAsksFirst()
    {
        ScriptedPrompt prompt;
        prompt.queueAnswer(Answer::No);
        prompt.queueAnswer(Answer::Yes);
        CSubjectDirectoryDlg dialog(m_db, prompt);
        select(dialog, QStringLiteral("1002"));
        dialog.deleteChildrenOfSelected();
        QCOMPARE(lastMessage(prompt), QStringLiteral("该科目共有3个子科目，决定删除吗？"));
        QCOMPARE(count("SELECT count(*) FROM SUBT WHERE KNO LIKE '1002-%'"), 3);
        dialog.deleteChildrenOfSelected();
        QCOMPARE(count("SELECT count(*) FROM SUBT WHERE KNO LIKE '1002-%'"), 0);
        QCOMPARE(dialog.selectedCode(), QStringLiteral("1002"));
    }

    void theSubtreeMenuHasItsFiveCommands()
    {
        ScriptedPrompt prompt;
        CSubjectDirectoryDlg dialog(m_db, prompt);
        QStringList texts;
        for (QAction* action : dialog.subtreeMenu()->actions())
            if (!action->isSeparator())
                texts << action->text();
        QCOMPARE(texts, (QStringList{"进入子目录(&E)", "复制子科目(&C)", "移动子科目(&M)", "粘贴子科目(&P)", "删除子科目(&D)"}));
        QCOMPARE(dialog.subtreeButton()->text(), QStringLiteral("&B.子目操纵"));
    }

    // The subject dialog by itself.

    void theKindAndColumnFieldsAreOfferedOnlyWhereTheyApply_data()
    {
        QTest::addColumn<bool>("modify");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("withCurrencies");
        QTest::addColumn<bool>("quantity");
        QTest::addColumn<bool>("currency");
        QTest::addColumn<bool>("column");
        QTest::newRow("new top-level subject") << false << "" << false << true << false << false;
        QTest::newRow("with currencies") << false << "" << true << true << true << false;
        QTest::newRow("under a multi-column parent") << false << "6602" << true << true << true << true;
        QTest::newRow("a subject with children") << true << "1002" << true << false << false << false;
        QTest::newRow("a column of a multi-column ledger") << true << "6602-1" << false << true << false << true;
    }

    void theKindAndColumnFieldsAreOfferedOnlyWhereTheyApply()
    {
        QFETCH(bool, modify);
        QFETCH(QString, code);
        QFETCH(bool, withCurrencies);
        QFETCH(bool, quantity);
        QFETCH(bool, currency);
        QFETCH(bool, column);
        if (withCurrencies)
            m_db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('12','港币',NULL),('2','美元',NULL)");
        ScriptedPrompt prompt;
        CSubjectDlg dialog(m_db, prompt, modify ? CSubjectDlg::Mode::Modify : CSubjectDlg::Mode::Add, code);
        QCOMPARE(dialog.quantityBox()->isEnabled(), quantity);
        QCOMPARE(dialog.currencyBox()->isEnabled(), currency);
        QCOMPARE(dialog.debitButton()->isEnabled(), column);
        QCOMPARE(dialog.creditButton()->isEnabled(), column);
        QCOMPARE(dialog.widthSpin()->isEnabled(), column);
        QCOMPARE(dialog.widthSpin()->maximum(), 40);
        // The unit and the currency list follow their check boxes.
        QVERIFY(!dialog.unitField()->isEnabled());
        QVERIFY(!dialog.currencyList()->isEnabled());
        if (withCurrencies) {
            QCOMPARE(dialog.currencyList()->count(), 2);
            QCOMPARE(dialog.currencyList()->itemText(0), QStringLiteral("2    美元"));
            QCOMPARE(dialog.currencyList()->itemText(1), QStringLiteral("12   港币"));
        }
    }

    void theTwoKindsExcludeEachOther()
    {
        m_db.execute("INSERT INTO WBT(WNO,NA,HO) VALUES('1','美元',NULL)");
        ScriptedPrompt prompt;
        CSubjectDlg dialog(m_db, prompt, CSubjectDlg::Mode::Add, QString());
        dialog.quantityBox()->click();
        QVERIFY(dialog.unitField()->isEnabled());
        dialog.currencyBox()->click();
        QVERIFY(!dialog.quantityBox()->isChecked());
        QVERIFY(!dialog.unitField()->isEnabled());
        QVERIFY(dialog.currencyList()->isEnabled());
        dialog.segmentField()->setText(QStringLiteral("1112"));
        dialog.nameField()->setText(QStringLiteral("美元户"));
        dialog.confirm();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(count("SELECT count(*) FROM SUBT WHERE KNO='1112' AND FZ='2' AND FZN='1'"), 1);
    }

    void aRefusalShowsItsMessageAndPutsTheFocusOnItsField()
    {
        ScriptedPrompt prompt;
        CSubjectDlg dialog(m_db, prompt, CSubjectDlg::Mode::Add, QStringLiteral("6602"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        struct Step {
            QString segment;
            QString name;
            bool debit;
            int width;
            QString message;
            QWidget* focus;
            int widthShown;
        };
        const Step steps[] = {
            {"000", "邮电费", false, 0, "代码不能为空或小于 1，请重输!", dialog.segmentField(), 0},
            {"2", "", false, 0, "名称不能为空，请重输!", dialog.nameField(), 0},
            {"2", "邮电费", false, 0, "因其父科目(帐户)为多栏式帐页，\n\r故请指定本科目(帐户)的多栏方向!", dialog.debitButton(), 0},
            {"2", "邮电费", true, 0, "请指定多栏式帐页的栏宽!", dialog.widthSpin(), 3},
            {"2", "邮电通讯费", true, 2, "多栏帐的栏宽不能小于本科目名称的汉字数!", dialog.widthSpin(), 5},
            {"1", "邮电费", true, 3, "该代码已存在，请重输!", dialog.segmentField(), 3},
        };
        for (const Step& step : steps) {
            dialog.confirmButton()->setFocus();
            dialog.segmentField()->setText(step.segment);
            dialog.nameField()->setText(step.name);
            if (step.debit)
                dialog.debitButton()->setChecked(true);
            dialog.widthSpin()->setValue(step.width);
            dialog.confirm();
            QCOMPARE(lastMessage(prompt), step.message);
            QVERIFY2(step.focus->hasFocus(), qPrintable(step.message));
            QCOMPARE(dialog.widthSpin()->value(), step.widthShown);
            QVERIFY(dialog.isVisible());
        }
        QCOMPARE(count("SELECT count(*) FROM SUBT WHERE KNO LIKE '6602-%'"), 1);
    }

    void aParentThatCannotTakeChildrenAfterAllClosesTheDialog()
    {
        ScriptedPrompt prompt;
        CSubjectDlg dialog(m_db, prompt, CSubjectDlg::Mode::Add, QStringLiteral("2202"));
        dialog.show();
        m_db.execute("UPDATE SUBT SET OP='3' WHERE KNO='2202'");
        dialog.segmentField()->setText(QStringLiteral("1"));
        dialog.nameField()->setText(QStringLiteral("甲"));
        dialog.confirm();
        QCOMPARE(lastMessage(prompt), QStringLiteral("其父科目为专用科目，禁止明细化!"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void theSegmentTakesOnlyAsManyDigitsAsTheCodeHasRoomFor()
    {
        ScriptedPrompt prompt;
        CSubjectDlg underBank(m_db, prompt, CSubjectDlg::Mode::Add, QStringLiteral("1002"));
        QTest::keyClicks(underBank.segmentField(), QStringLiteral("12345678901-x"));
        QCOMPARE(underBank.segmentField()->text(), QStringLiteral("123456789"));
        // 7 keeps its descendants' tail "-1-1-1-1-1" (ten characters): four digits are left.
        CSubjectDlg deep(m_db, prompt, CSubjectDlg::Mode::Modify, QStringLiteral("7"));
        deep.segmentField()->clear();
        QTest::keyClicks(deep.segmentField(), QStringLiteral("12345"));
        QCOMPARE(deep.segmentField()->text(), QStringLiteral("1234"));
        // The name refuses blanks and quotes as they are typed.
        QTest::keyClicks(underBank.nameField(), QStringLiteral("a b'c\"d"));
        QCOMPARE(underBank.nameField()->text(), QStringLiteral("abcd"));
    }
};

QTEST_MAIN(SubjectDirectoryDialogTest)
#include "subject_directory_dialog_test.moc"
