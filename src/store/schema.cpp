#include "store/schema.h"

#include "store/database.h"

namespace kszw {

const std::string_view kCreateSyscstab = "CREATE TABLE SYSCSTAB(CS LONG,CSN LONG,\t\tCSNA CHAR(200),CSVAL CHAR(200))";
const std::string_view kCreatePageSet =
    "CREATE TABLE KSPAGESET(nFlag LONG,sFieldMode CHAR(20),AllPage LONG,SelectPage LONG,MaxPage LONG,"
    "FromPage LONG,ToPage LONG,PageRow LONG,PageWidth LONG,PageLength LONG,PageLeft LONG,PageTop LONG,"
    "PageRight LONG,PageBottom LONG,PageCopies LONG,TopicColor LONG,HeadColor LONG,TextColor LONG,"
    "TailColor LONG,OutBox LONG,FormLine LONG)";
const std::string_view kCreateFont =
    "CREATE TABLE KSFONT(nFlag LONG,sFieldMode CHAR(20),nOrd LONG,lfHeight LONG,lfWidth LONG,"
    "lfEscapement LONG,lfOrientation LONG,lfWeight LONG,lfItalic LONG,lfUnderline LONG,lfStrikeOut LONG,"
    "lfCharSet LONG,lfOutPrecision LONG,lfClipPrecision LONG,lfQuality LONG,lfPitchAndFamily LONG,"
    "lfFaceName CHAR(60))";
const std::string_view kCreateFieldWidth =
    "CREATE TABLE FIELDWIDTH(NFLAG LONG,SFIELDMODE CHAR(20),NFIELD LONG,NWIDTH LONG)";

// SQLite keeps tables and indexes in one namespace: an index that carries its table's name in the
// classic layout gets the suffix _IX here.
const std::vector<std::string_view>& systemTableStatements()
{
    static const std::vector<std::string_view> statements = {
        "CREATE TABLE SYSTAB(NA CHAR(40),KJ CHAR(8),\t\tAN CHAR(10),PY LONG,MM LONG,JT CHAR(3),T1 CHAR(8),T13 CHAR(8))",
        kCreateSyscstab,
        "CREATE TABLE OPR(OPNO CHAR(3),NA CHAR(8),PSD CHAR(10))",
        "CREATE TABLE PWR(OPNO CHAR(3),PWR CHAR(4))",
        "CREATE INDEX PWR_IX ON PWR(OPNO)",
        "CREATE TABLE KsFormList(nFlag Long,nForm Long,\t\tsFna Char(40),nOpen Long,nTopNum Long)",
        "CREATE TABLE KsFormFormula(nFlag Long,nForm Long,\t\tnCol Long,nType Long,nFact Long,nLess Long,nMore Long,"
        "\t\tsFormula Char(200))",
        "CREATE TABLE KsFormTopWord(nFlag Long,nForm Long,\t\tnCol1 Long,nRow1 Long,nCol2 Long,nRow2 Long,"
        "sWords Char(100))",
        "CREATE TABLE KsFormHeadNote(nFlag Long,nForm Long,bIsTail Long,\t\tnRow Long,nColPecent Long,bIsUse Long,"
        "bIsSystem Long,sNote Char(20),sWords Char(200))",
        kCreatePageSet,
        kCreateFont,
        kCreateFieldWidth,
    };
    return statements;
}

const std::vector<std::string_view>& yearTableStatements()
{
    static const std::vector<std::string_view> statements = {
        "CREATE TABLE SUBT(KNO CHAR(14),NA CHAR(30),CLAS LONG,\t\t\tOP CHAR(1),FZ CHAR(1),FZN CHAR(10),DL CHAR(1),"
        "DLF LONG,DLW LONG)",
        "CREATE INDEX SUBT_IX ON SUBT(KNO)",
        "CREATE INDEX SUBT1 ON SUBT(CLAS,KNO)",
        "CREATE TABLE P0(T CHAR(8),CER CHAR(4),RN LONG,MRY CHAR(40),\t\t\tKNO CHAR(14),F LONG,MY DOUBLE,NU DOUBLE,"
        "MK CHAR(1),TT CHAR(2))",
        "CREATE INDEX P0_IX ON P0(T,CER,RN)",
        "CREATE INDEX P01 ON P0(KNO,T)",
        "CREATE INDEX P02 ON P0(KNO,TT)",
        "CREATE TABLE WBT(WNO CHAR(4),NA CHAR(10),HO CHAR(14))",
        "CREATE TABLE WBR(WNO CHAR(4),T CHAR(8),MY1 DOUBLE,MY2 DOUBLE)",
        "CREATE INDEX WBR_IX ON WBR(WNO,T)",
        "CREATE TABLE CERCLS(CNO CHAR(2),NA CHAR(20))",
        "CREATE TABLE AUTDIR(N LONG,NA CHAR(40))",
        "CREATE TABLE AUTCER(N LONG,RN LONG,\t\tMRY CHAR(40),KNO CHAR(60),F LONG,FML CHAR(60))",
        "CREATE TABLE BLCER(N LONG,B CHAR(60),L CHAR(60))",
        "CREATE TABLE KSVAR(SVAR CHAR(10),SEXP CHAR(200),SNOTE CHAR(60),NTYPE LONG)",
        "CREATE TABLE CERDIR(T CHAR(8),CER CHAR(4),OPP CHAR(3),\t\tOPN CHAR(3),PN LONG,LY CHAR(1),MK CHAR(1),"
        "TT CHAR(2))",
        "CREATE INDEX CERDIR_IX ON CERDIR(T,CER)",
        "CREATE INDEX CERDIR1 ON CERDIR(TT,CER)",
    };
    return statements;
}

void createAllTables(Database& db)
{
    for (std::string_view statement : systemTableStatements())
        db.execute(statement);
    for (std::string_view statement : yearTableStatements())
        db.execute(statement);
    db.execute(kCreateLedgerIndex);
}

const std::string_view kCreateLedgerIndex = "CREATE INDEX P0_SUMS ON P0(KNO,TT,F,MK,T,CER,MY)";

} // namespace kszw
