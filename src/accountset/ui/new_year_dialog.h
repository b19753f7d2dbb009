// CNewYearDlg: the new-year dialog ("建立新年度数据文件"). Shows the folder of the logged-in
// account set and the years whose files it holds; 新建 creates the file of the typed year from the
// current one, the Delete key deletes the selected year's file.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace kszw {

class CKszwEnv;
class CSpecEdit;
struct Prompt;

class CNewYearDlg : public QDialog {
    Q_OBJECT
public:
    CNewYearDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent = nullptr);

    // The year data file made by 新建; empty when none.
    QString createdFile() const { return m_createdFile; }

    QLabel* pathLabel() const { return m_path; }
    CSpecEdit* yearEdit() const { return m_year; }
    QListWidget* yearList() const { return m_years; }
    QPushButton* createButton() const { return m_create; }

public slots:
    // 新建: creates the typed year; closes the dialog when it was created.
    void createYear();
    // Deletes the selected year's file (after asking) and selects the line before it.
    void deleteSelectedYear();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshYears();

    CKszwEnv& m_env;
    Prompt& m_prompt;
    QString m_createdFile;
    QLabel* m_path;
    CSpecEdit* m_year;
    QListWidget* m_years;
    QPushButton* m_create;
};

} // namespace kszw
