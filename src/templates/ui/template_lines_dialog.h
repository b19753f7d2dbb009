// The template lines (模板分录定义): CTemplateLinesDlg shows the lines of the template chosen at
// its top in a grid (序号, 摘要, 科目, 方向, 公式); Insert or &A adds a line, Enter or a
// double-click modifies the selected one, Delete deletes it after a question. CTemplateLineDlg
// adds or modifies one line. Every check, statement and message is the core's
// (templates/voucher_templates.h); a refusal keeps the line dialog open on its field.
#pragma once

#include "templates/voucher_templates.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace kszw {

class CSpecEdit;
class Database;
struct Prompt;

// The add and modify dialog of one template line (增加新分录... / 修改分录...).
class CTemplateLineDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Modify };

    // The fields show line (Add: its number is the proposed one, 0 for none; Modify: the line
    // changed). templateCaption names the template above the fields.
    CTemplateLineDlg(Database& db, Prompt& prompt, Mode mode, int templateNumber, const TemplateLine& line,
                     const QString& templateCaption = QString(), QWidget* parent = nullptr);

    // F2 in the subject field: the subject lookup on the typed code; the chosen code replaces it.
    // By default the subject query dialog; tests put in their own.
    std::function<std::optional<QString>(const QString& startCode)> lookUpSubject;

    Mode mode() const { return m_mode; }
    // The line's number after a confirmed save; 0 before.
    int savedNumber() const { return m_savedNumber; }
    // The line as the fields hold it (an empty or over-long number counts as 0).
    TemplateLine typedLine() const;

    CSpecEdit* numberEdit() const { return m_number; }
    CSpecEdit* summaryEdit() const { return m_summary; }
    CSpecEdit* subjectEdit() const { return m_subject; }
    QComboBox* directionBox() const { return m_direction; }
    CSpecEdit* formulaEdit() const { return m_formula; }
    QLabel* templateLabel() const { return m_template; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // &S.确认: the core's checks in their order and the save; closes with OK when saved, otherwise
    // warns and stays open with the focus on the field the refusal names.
    void confirm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The field of a refusal (0 序号, 1 摘要, 2 科目, 3 方向, 4 公式), focused with its text selected.
    void focusField(int field);
    void browseSubject();

    Database& m_db;
    Prompt& m_prompt;
    Mode m_mode;
    int m_templateNumber;
    std::optional<int> m_oldNumber;
    int m_savedNumber = 0;
    QLabel* m_template = nullptr;
    CSpecEdit* m_number = nullptr;
    CSpecEdit* m_summary = nullptr;
    CSpecEdit* m_subject = nullptr;
    QComboBox* m_direction = nullptr;
    CSpecEdit* m_formula = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
};

// The lines of the year's templates (dialog 175).
class CTemplateLinesDlg : public QDialog {
    Q_OBJECT
public:
    // Offers the year's templates and shows the first one's lines. Raises DatabaseError when the
    // templates cannot be read (an error reading the lines is told through the prompt).
    CTemplateLinesDlg(Database& db, Prompt& prompt, QWidget* parent = nullptr);

    // The menu's 模板分录定义: with no template in the year tells "本年度尚未定义模板目录!" and
    // opens nothing; otherwise runs the dialog modally. Errors of the file are told through the prompt.
    static void openLines(Database& db, Prompt& prompt, QWidget* parent);

    // Runs the line dialog and returns its result; by default modally. Tests put in their own to
    // fill and confirm it without an event loop of its own.
    std::function<int(CTemplateLineDlg&)> runLineDialog;

    // The number of the chosen template; 0 when none.
    int currentTemplate() const;
    // Chooses the template of that number (nothing happens when there is none) and shows its lines.
    void chooseTemplate(int number);
    // The selected line; nothing when none is selected.
    std::optional<TemplateLine> selectedLine() const;

    QComboBox* templateBox() const { return m_templates; }
    QTableWidget* lineGrid() const { return m_grid; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* modifyButton() const { return m_modify; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* closeButton() const { return m_close; }

public slots:
    // Insert or &A.新增: the line dialog for a new line, proposing the number after the largest.
    void addLine();
    // Enter, a double-click or &M.修改: the line dialog for the selected line.
    void modifySelected();
    // Delete or &D.删除: the selected line, after a question.
    void deleteSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the chosen template's lines again and selects the line of that number, or the row at
    // row (clamped); an error of the file is told through the prompt and empties the grid.
    void showLines(std::optional<int> selectNumber = std::nullopt, int row = 0);
    // The caption of the chosen template, for the line dialog.
    QString templateCaption() const;

    Database& m_db;
    Prompt& m_prompt;
    std::vector<TemplateLine> m_lines;
    QComboBox* m_templates = nullptr;
    QTableWidget* m_grid = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_modify = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace kszw
