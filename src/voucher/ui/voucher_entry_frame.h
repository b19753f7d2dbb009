// CKszwpzFrm: the content of a voucher-entry child window. It owns the window's one voucher record
// (made new when the window opens), holds the entry view that edits it, answers the main window's
// commands through the view, and lets the window close only after the save question allows it.
#pragma once

#include "common/ui/command_target.h"

#include <QWidget>

#include <memory>

namespace kszw {

class CKszwEnv;
class CKszwpz;
class CVoucher;
struct Clock;
struct Prompt;

// The voucher entry window's frame.
class CKszwpzFrm : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    // A window on a new voucher of the login's file; messages and questions go to prompt.
    CKszwpzFrm(CKszwEnv& env, Prompt& prompt, const Clock& clock, QWidget* parent = nullptr);
    ~CKszwpzFrm() override;

    CVoucher& voucher() { return *m_voucher; }
    CKszwpz* view() const { return m_view; }

    bool isCommandEnabled(int id) const override;
    bool runCommand(int id) override;

signals:
    // A context-menu command the view does not run itself.
    void commandRequested(int id);

protected:
    // The save question first: 返回 (Cancel) or going back to a head cell keeps the window open.
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<CVoucher> m_voucher;
    CKszwpz* m_view = nullptr;
};

} // namespace kszw
