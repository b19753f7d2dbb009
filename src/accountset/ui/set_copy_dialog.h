// CSetCopyDlg: the dialog "岚屿穗软件-帐套之间信息拷贝". 选帐套 chooses another year file as the
// source (refused choices open the chooser again), the dialog shows the source's account-set name
// and file and offers the five kinds of information it may copy; 确认 copies the ticked ones with
// a progress bar and closes the dialog when done.
#pragma once

#include "accountset/set_copy.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kszw {

class CKszwEnv;
struct Prompt;

// The progress bar of the copy: a frame with a filled rectangle inset by 2 pixels whose width is
// the share done.
class CopyProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit CopyProgressBar(QWidget* parent = nullptr);
    void setProgress(int current, int total);
    int current() const { return m_current; }
    int total() const { return m_total; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_current = 0;
    int m_total = 0;
};

class CSetCopyDlg : public QDialog {
    Q_OBJECT
public:
    // Asks for a year file: (parent, folder to start in, proposed name) → the chosen path, empty
    // when the user gave up.
    using SourceChooser = std::function<QString(QWidget*, const QString&, const QString&)>;

    CSetCopyDlg(CKszwEnv& env, Prompt& prompt, QWidget* parent = nullptr);

    // Runs the dialog for the logged-in year file (menu command 拷贝会计信息).
    static void openCopy(CKszwEnv& env, Prompt& prompt, QWidget* parent);

    // Replaces the file chooser (tests answer it without a file dialog).
    void setSourceChooser(SourceChooser chooser) { m_chooser = std::move(chooser); }

    // The source that passed the checks; nothing before one was chosen.
    const std::optional<CopySource>& source() const { return m_source; }

    QPushButton* chooseButton() const { return m_choose; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QCheckBox* itemBox(CopyItem item) const { return m_items[static_cast<size_t>(item)]; }
    QLineEdit* unitField() const { return m_unit; }
    QLineEdit* fileField() const { return m_file; }
    QLabel* statusLabel() const { return m_status; }
    QWidget* progressArea() const { return m_progressArea; }
    CopyProgressBar* progressBar() const { return m_bar; }
    QLabel* percentLabel() const { return m_percent; }

signals:
    // After the progress display changed during a copy.
    void copyProgressed(int current, int total);

public slots:
    // 选帐套: asks for a source until one passes the checks or the user gives up.
    void chooseSource();
    // 确认: copies the ticked items.
    void copyItems();
    // Nothing closes the dialog while it copies.
    void reject() override;

private:
    void showSource(const CopySource& source);
    void updateButtons();
    void setCopying(bool copying);
    void showProgress(const CopyProgress& progress);
    CopySelection selection() const;

    CKszwEnv& m_env;
    Prompt& m_prompt;
    SourceChooser m_chooser;
    std::optional<CopySource> m_source;
    bool m_copying = false;
    QLineEdit* m_unit;
    QLineEdit* m_file;
    std::array<QCheckBox*, kCopyItems.size()> m_items{};
    QLabel* m_status;
    QWidget* m_progressArea;
    CopyProgressBar* m_bar;
    QLabel* m_percent;
    QPushButton* m_choose;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace kszw
