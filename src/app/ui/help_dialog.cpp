#include "app/ui/help_dialog.h"

#include "app/command_table.h"
#include "common/ui/qt_prompt.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kszw {

namespace {

QString fromView(std::string_view text)
{
    return qtText(text).remove(QLatin1Char('&'));
}

} // namespace

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("帮助主题"));
    auto* layout = new QVBoxLayout(this);
    auto* tree = new QTreeWidget(this);
    tree->setColumnCount(3);
    tree->setHeaderLabels({QStringLiteral("命令"), QStringLiteral("说明"), QStringLiteral("所需权限")});
    for (const MenuInfo& menu : mainMenu()) {
        auto* top = new QTreeWidgetItem(tree, {fromView(menu.title)});
        for (int id : menu.items) {
            const CommandInfo* info = id ? findCommand(id) : nullptr;
            if (!info)
                continue;
            new QTreeWidgetItem(top, {fromView(info->text), fromView(statusPrompt(*info)), fromView(info->permission)});
        }
    }
    tree->expandAll();
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(tree);
    layout->addWidget(buttons);
    resize(640, 520);
}

} // namespace kszw
