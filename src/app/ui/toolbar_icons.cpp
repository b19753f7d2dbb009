#include "app/ui/toolbar_icons.h"

#include "app/command_table.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace kszw {

namespace {

struct IconGlyph {
    int id;
    const char* glyph;
    QColor colour;
};

const IconGlyph kGlyphs[] = {
    {cmd::kNewVoucher, "新", QColor(0x2e, 0x7d, 0x32)},   {cmd::kFileOpen, "开", QColor(0x8d, 0x6e, 0x00)},
    {cmd::kSave, "存", QColor(0x15, 0x65, 0xc0)},         {cmd::kPrintPreview, "览", QColor(0x45, 0x5a, 0x64)},
    {cmd::kPrint, "印", QColor(0x45, 0x5a, 0x64)},        {cmd::kCut, "剪", QColor(0xad, 0x14, 0x57)},
    {cmd::kCopy, "复", QColor(0xad, 0x14, 0x57)},         {cmd::kPaste, "粘", QColor(0xad, 0x14, 0x57)},
    {cmd::kUndo, "撤", QColor(0x6a, 0x1b, 0x9a)},         {cmd::kRedo, "重", QColor(0x6a, 0x1b, 0x9a)},
    {cmd::kTemplateVoucher, "模", QColor(0x00, 0x83, 0x8f)}, {cmd::kNextFreeNumber, "号", QColor(0x00, 0x83, 0x8f)},
    {cmd::kLargestFreeNumber, "大", QColor(0x00, 0x83, 0x8f)}, {cmd::kSubjectLookup, "科", QColor(0x00, 0x83, 0x8f)},
    {cmd::kCalculator, "算", QColor(0xe6, 0x51, 0x00)},   {cmd::kAbout, "关", QColor(0x37, 0x47, 0x4f)},
    {cmd::kContextHelp, "?", QColor(0x37, 0x47, 0x4f)},
};

QPixmap drawGlyph(const QString& glyph, const QColor& colour, int size, bool disabled)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QColor fill = disabled ? QColor(0xbd, 0xbd, 0xbd) : colour;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 6.0, size / 6.0);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(size * 2 / 3);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, glyph);
    return pixmap;
}

} // namespace

QIcon commandIcon(int id)
{
    for (const IconGlyph& entry : kGlyphs) {
        if (entry.id != id)
            continue;
        QIcon icon;
        const QString glyph = QString::fromUtf8(entry.glyph);
        for (int size : {16, 24, 32}) {
            icon.addPixmap(drawGlyph(glyph, entry.colour, size, false), QIcon::Normal);
            icon.addPixmap(drawGlyph(glyph, entry.colour, size, true), QIcon::Disabled);
        }
        return icon;
    }
    return {};
}

QIcon programIcon()
{
    // The drawing travels in the program's resources; each size is rendered here rather than left
    // to the SVG icon engine, which is a plugin that may be missing where the program runs.
    QIcon icon;
    QSvgRenderer renderer(QStringLiteral(":/icons/kszw.svg"));
    for (int size : kProgramIconSizes) {
        if (renderer.isValid()) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            renderer.render(&painter, QRectF(0, 0, size, size));
            painter.end();
            icon.addPixmap(pixmap);
        } else {
            icon.addPixmap(drawGlyph(QStringLiteral("帐"), QColor(0xb7, 0x1c, 0x1c), size, false));
        }
    }
    return icon;
}

} // namespace kszw
