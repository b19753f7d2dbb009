// Speed of the formula core on what views and templates do most: evaluating a template formula,
// formatting amounts for a grid, and checking a keystroke.
#include "formula/caculate.h"
#include "formula/chinese_amounts.h"
#include "formula/format_number.h"
#include "formview/input_spec.h"

#include <benchmark/benchmark.h>

namespace {

void EvaluateTemplateFormula(benchmark::State& state)
{
    kszw::CCaculate evaluator;
    double value = 0;
    for (auto _ : state) {
        evaluator.CalcNumber(value, "round(iif(1200.5>1000,(1200.5-1000)*0.2+abs(0-35.75),0),2)");
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(EvaluateTemplateFormula);

void EvaluateArithmetic(benchmark::State& state)
{
    kszw::CCaculate evaluator;
    double value = 0;
    for (auto _ : state) {
        evaluator.CalcNumber(value, "(1234.56+789.01)*3-45.6/7+2^10");
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(EvaluateArithmetic);

void FormatAmount(benchmark::State& state)
{
    double amount = 1234567.891;
    for (auto _ : state) {
        std::string text = kszw::FormatNumber(amount, 0, 2, 2);
        benchmark::DoNotOptimize(text);
        amount += 0.01;
    }
}
BENCHMARK(FormatAmount);

// Amounts that lie exactly halfway at the shown decimals (x.125, x.375, …), the ones that take the
// slower half-away-from-zero path.
void FormatAmountExactHalf(benchmark::State& state)
{
    double amount = 1234567.125;
    for (auto _ : state) {
        std::string text = kszw::FormatNumber(amount, 0, 2, 2);
        benchmark::DoNotOptimize(text);
        amount += 0.25;
    }
}
BENCHMARK(FormatAmountExactHalf);

// A number meeting a string in a formula.
void FormatPlainNumber(benchmark::State& state)
{
    double amount = 1234.5678;
    for (auto _ : state) {
        std::string text = kszw::PlainNumberText(amount);
        benchmark::DoNotOptimize(text);
        amount += 0.01;
    }
}
BENCHMARK(FormatPlainNumber);

void AmountInCapitals(benchmark::State& state)
{
    for (auto _ : state) {
        std::string text = kszw::AmountInCapitals(230000500.7);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(AmountInCapitals);

void CheckKeystroke(benchmark::State& state)
{
    for (auto _ : state) {
        bool accepted = kszw::CheckInput("5", "1234.5", 6, "NUMBER", 14, 2) &&
                        kszw::CheckInput("中", "摘要文字", 4, "STRING NOT |[]'\"", 40, 0);
        benchmark::DoNotOptimize(accepted);
    }
}
BENCHMARK(CheckKeystroke);

} // namespace

BENCHMARK_MAIN();
