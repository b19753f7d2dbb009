// The help topics: every menu and its commands with what each one does.
#pragma once

#include <QDialog>

namespace kszw {

class HelpDialog : public QDialog {
    Q_OBJECT
public:
    explicit HelpDialog(QWidget* parent = nullptr);
};

} // namespace kszw
