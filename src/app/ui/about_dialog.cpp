#include "app/ui/about_dialog.h"

#include "app/ui/kszw_app.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kszw {

QString versionText()
{
    return QStringLiteral("(") + QString::fromUtf8(app_text::kVersion) + QStringLiteral(" 版)");
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于帐务软件"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QString::fromUtf8(app_text::kProgramTitle), this);
    QFont font = title->font();
    font.setPointSize(font.pointSize() + 6);
    font.setBold(true);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(versionText(), this);
    version->setObjectName(QStringLiteral("version"));
    version->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

} // namespace kszw
