// Benchmarks of the form view's painting: one screen page of a 200,000-row journal (at the top,
// deep in the book, and after a scroll), and one printed page drawn on a 300-dpi image.
#include "support/ui/journal_view.h"

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using kszw::JournalTestView;

JournalTestView& bookView()
{
    static std::unique_ptr<JournalTestView> view = [] {
        auto created = std::make_unique<JournalTestView>(JournalTestView::sampleRows(200000), false);
        created->resize(1280, 900);
        created->show();
        created->initialUpdate();
        return created;
    }();
    return *view;
}

void BM_PaintScreenPage(benchmark::State& state)
{
    JournalTestView& view = bookView();
    view.scrollToRow(static_cast<int>(state.range(0)));
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["rows"] = view.GetPageRows(false);
}
BENCHMARK(BM_PaintScreenPage)->Arg(0)->Arg(150000)->Unit(benchmark::kMillisecond);

void BM_ScrollAndRepaint(benchmark::State& state)
{
    JournalTestView& view = bookView();
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    int row = 0;
    for (auto _ : state) {
        row = (row + 7919) % 200000;
        view.SetCurrentCell(row, 2, 0, "TEXT");
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_ScrollAndRepaint)->Unit(benchmark::kMillisecond);

void BM_PrintedPage300Dpi(benchmark::State& state)
{
    JournalTestView& view = bookView();
    QImage page(3071, 2244, QImage::Format_RGB32); // 260 × 190 mm at 300 dpi
    const int dotsPerMeter = static_cast<int>(300 / 0.0254 + 0.5);
    page.setDotsPerMeterX(dotsPerMeter);
    page.setDotsPerMeterY(dotsPerMeter);
    const int rows = view.GetPageRows(true);
    for (auto _ : state) {
        page.fill(Qt::white);
        QPainter painter(&page);
        view.OnDraw(painter, page, true, 100 * rows);
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_PrintedPage300Dpi)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                        QStringLiteral("Noto Serif CJK SC"),
                                                        QStringLiteral("Noto Sans CJK SC")});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
