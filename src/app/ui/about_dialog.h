// The About dialog: the program title and its version.
#pragma once

#include <QDialog>

namespace kszw {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// "(" + version + " 版)".
QString versionText();

} // namespace kszw
