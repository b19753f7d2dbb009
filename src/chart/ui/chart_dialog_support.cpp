// Shared pieces of the chart dialogs: the fixed-pitch list font and lines, selecting a line by code.
#include "chart/ui/chart_dialog_support.h"

#include "common/prompt.h"
#include "common/ui/qt_text.h"
#include "store/database.h"
#include "store/database_error.h"
#include "store/error_messages.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QStyle>

#include <algorithm>

namespace kszw {

QFont chartFixedFont(const QFont& base)
{
    QFont font(base);
    font.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("WenQuanYi Zen Hei Mono"),
                      QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QString subjectLine(std::string_view code, std::string_view name, int width)
{
    // Codes are digits and dashes: one character is one column.
    return qtText(code).leftJustified(width, QLatin1Char(' ')) + qtText(name);
}

QString currentSubjectCode(const QListWidget& list)
{
    const QListWidgetItem* item = list.currentItem();
    return item ? item->data(kSubjectCodeRole).toString() : QString();
}

void selectSubjectLine(QListWidget& list, const QString& code, int row)
{
    if (list.count() == 0)
        return;
    for (int i = 0; i < list.count() && !code.isEmpty(); ++i) {
        if (list.item(i)->data(kSubjectCodeRole).toString() == code) {
            list.setCurrentRow(i);
            return;
        }
    }
    list.setCurrentRow(std::clamp(row, 0, list.count() - 1));
}

void warnDatabaseError(Prompt& prompt, const DatabaseError& error, Database& db)
{
    prompt.warn(userMessage(error, db.path()));
}

void sizeLevelList(QListWidget& list, int characters, int rows)
{
    const QFontMetrics metrics(list.font());
    const int width = metrics.horizontalAdvance(QString(characters, QLatin1Char('0')));
    list.setMinimumWidth(width + 2 * list.frameWidth() + list.style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 12);
    list.setMinimumHeight(rows * metrics.lineSpacing() + 2 * list.frameWidth() + 8);
}

} // namespace kszw
