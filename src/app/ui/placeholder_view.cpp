#include "app/ui/placeholder_view.h"

#include "common/ui/qt_prompt.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kszw {

QString notYetAvailableText(const QString& name)
{
    return QStringLiteral("“%1”功能尚未完成，本版本暂不能使用。").arg(name);
}

PlaceholderView::PlaceholderView(ViewKind kind, QWidget* parent) : QWidget(parent), m_kind(kind)
{
    QString name;
    for (const ViewKindInfo& info : kViewKinds)
        if (info.kind == kind)
            name = qtText(info.name);
    setWindowTitle(name);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(name, this);
    QFont font = title->font();
    font.setPointSize(font.pointSize() + 8);
    font.setBold(true);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel(notYetAvailableText(name), this);
    text->setAlignment(Qt::AlignCenter);
    layout->addStretch();
    layout->addWidget(title);
    layout->addWidget(text);
    layout->addStretch();
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

} // namespace kszw
