// The voucher entry window's frame: the voucher it owns, the view inside it, commands passed to the
// view and the save question on closing.
#include "voucher/ui/voucher_entry_frame.h"

#include "voucher/ui/voucher_entry_view.h"
#include "voucher/voucher.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace kszw {

CKszwpzFrm::CKszwpzFrm(CKszwEnv& env, Prompt& prompt, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_voucher(std::make_unique<CVoucher>(env, clock))
{
    m_voucher->ResetAsNew();
    m_view = new CKszwpz(*m_voucher, this);
    m_view->setPrompt(prompt);
    m_view->setClock(clock);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setWindowTitle(m_view->windowTitle());
    setFocusProxy(m_view);
    connect(m_view, &CKszwpz::commandRequested, this, &CKszwpzFrm::commandRequested);
}

CKszwpzFrm::~CKszwpzFrm()
{
    // The view goes before the voucher it edits.
    delete m_view;
}

bool CKszwpzFrm::isCommandEnabled(int id) const
{
    return m_view->isCommandEnabled(id);
}

bool CKszwpzFrm::runCommand(int id)
{
    return m_view->runCommand(id);
}

void CKszwpzFrm::closeEvent(QCloseEvent* event)
{
    if (m_view->queryClose())
        event->accept();
    else
        event->ignore();
}

} // namespace kszw
