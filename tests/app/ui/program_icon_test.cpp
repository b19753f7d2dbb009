// The program's icon: the drawing from the resources, rendered at every size the desktop asks for.
#include "app/ui/toolbar_icons.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QtTest>

using namespace kszw;

class ProgramIconTest : public QObject {
    Q_OBJECT

private slots:
    void theIconHasEverySize()
    {
        const QIcon icon = programIcon();
        QVERIFY(!icon.isNull());
        QList<QSize> expected;
        for (int size : kProgramIconSizes)
            expected.append(QSize(size, size));
        QCOMPARE(icon.availableSizes(), expected);
        for (int size : kProgramIconSizes) {
            const QPixmap pixmap = icon.pixmap(QSize(size, size));
            QCOMPARE(pixmap.size(), QSize(size, size));
        }
    }

    void eachSizeIsADrawingNotABlank_data()
    {
        QTest::addColumn<int>("size");
        for (int size : kProgramIconSizes)
            QTest::addRow("%d px", size) << size;
    }

    void eachSizeIsADrawingNotABlank()
    {
        QFETCH(int, size);
        const QImage image = programIcon().pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
        int opaque = 0;
        int transparent = 0;
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 255)
                    ++opaque;
                else if (qAlpha(pixel) == 0)
                    ++transparent;
                colours.insert(pixel);
            }
        }
        // A book on a transparent ground: mostly painted, with a clear margin.
        QVERIFY2(opaque > size * size / 2, qPrintable(QString::number(opaque)));
        QVERIFY(transparent > 0);
        QVERIFY(colours.size() > 3);
    }

    void theDrawingIsTheRedBookWithItsCreamSlip()
    {
        // At 32 px: the bound edge on the left is dark red, the slip below 帐 is cream; the glyph drawn
        // when the resource is missing (a plain red square) has neither.
        const QImage image = programIcon().pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
        const QColor spine = image.pixelColor(6, 16);
        QVERIFY2(spine.red() > 2 * spine.green() && spine.red() < 160, qPrintable(spine.name()));
        const QColor slip = image.pixelColor(17, 20);
        QVERIFY2(slip.red() > 220 && slip.green() > 200 && slip.blue() > 160, qPrintable(slip.name()));
        // The drawing is the one installed for the desktop.
        QFile drawing(QStringLiteral(":/icons/kszw.svg"));
        QVERIFY(drawing.open(QIODevice::ReadOnly));
        QVERIFY(drawing.readAll().contains("<svg"));
    }
};

QTEST_MAIN(ProgramIconTest)
#include "program_icon_test.moc"
