// ModalCloser: answers the modal dialogs and message boxes that the code under test opens with
// exec(). Once the event loop runs, it finds each modal widget as it becomes active, records what
// it shows, lets the test act on the first dialog of the expected type (fill it, confirm it), and
// closes whatever is still open afterwards. The test checks the records after exec() has
// returned: a check inside the timer that failed would return early, leave the dialog open and
// keep the test waiting instead of failing.
//
// A modal widget that opens while the action runs (a message box of the dialog's own checks) is
// not seen: give such a dialog a scripted prompt.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

namespace kszw {

// One modal widget as it was found.
struct ModalSeen {
    QString className; // e.g. "kszw::PrintDialog", "QMessageBox"
    QString title;
    QString text; // a message box's text
};

class ModalCloser {
public:
    ModalCloser()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { visitActiveModal(); });
        m_timer.start();
    }
    ModalCloser(const ModalCloser&) = delete;
    ModalCloser& operator=(const ModalCloser&) = delete;

    // act runs once, on the first modal widget that is a Dialog.
    template <typename Dialog>
    void actOn(std::function<void(Dialog&)> act)
    {
        m_act = [act = std::move(act)](QWidget& widget) {
            auto* dialog = qobject_cast<Dialog*>(&widget);
            if (!dialog)
                return false;
            act(*dialog);
            return true;
        };
    }

    // Every modal widget found, in order.
    const std::vector<ModalSeen>& seen() const { return m_seen; }
    // Their class names, for one comparison that shows all of them when it fails.
    QStringList classNames() const
    {
        QStringList names;
        for (const ModalSeen& widget : m_seen)
            names << widget.className;
        return names;
    }

private:
    void visitActiveModal()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        ModalSeen seen{QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle(), QString()};
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            seen.text = box->text();
        m_seen.push_back(seen);
        m_timer.stop(); // not again from an event loop the action runs
        if (!m_acted && m_act)
            m_acted = m_act(*modal);
        if (modal->isVisible()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
        m_timer.start();
    }

    QTimer m_timer;
    std::function<bool(QWidget&)> m_act;
    std::vector<ModalSeen> m_seen;
    bool m_acted = false;
};

} // namespace kszw
