// The page-setup dialog (904): paper size, line spacing and margins in millimetres, the fonts and
// colours of the four areas, the colours of the rules and the frame, the page format of the same
// view copied from another year data file, and the defaults. Confirming checks the values in a
// fixed order and keeps the dialog open on the first refusal.
#pragma once

#include "formview/print_settings.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QDoubleSpinBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kszw {

struct Prompt;

class PageSetupDialog : public QDialog {
    Q_OBJECT
public:
    // settings are the view's current ones; nFlag and mode name the view for copying.
    PageSetupDialog(const ViewSettings& settings, int nFlag, std::string fieldMode, Prompt& prompt,
                    QWidget* parent = nullptr);

    // The settings confirmed (the column widths as they came in).
    const ViewSettings& settings() const { return m_settings; }
    // True when the confirmed settings differ from those the dialog started with.
    bool changed() const { return m_settings != m_original; }

    // Chooses the file the page format is copied from; replaceable for tests.
    std::function<QString()> chooseSourceFile;

    QDoubleSpinBox* field(const char* name) const;
    QTreeWidget* fontList() const { return m_fonts; }

public slots:
    void confirm();
    void restoreDefaults();
    // Loads the same view's page format from another year data file into the dialog.
    void copyFromFile(const QString& path);

private:
    void showSettings(const ViewSettings& settings);
    void refreshFontList();
    void chooseFont(QTreeWidgetItem* item);
    void chooseColor(RgbColor& color, const QString& title);

    ViewSettings m_original;
    ViewSettings m_settings;
    int m_nFlag;
    std::string m_fieldMode;
    Prompt& m_prompt;
    QDoubleSpinBox* m_width;
    QDoubleSpinBox* m_length;
    QDoubleSpinBox* m_lineSpacing;
    QDoubleSpinBox* m_head;
    QDoubleSpinBox* m_foot;
    QDoubleSpinBox* m_left;
    QDoubleSpinBox* m_right;
    QTreeWidget* m_fonts;
};

} // namespace kszw
