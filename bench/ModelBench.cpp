// Cell throughput and memory of the workbook model through the public cell
// interface (Cells -> Item -> Value), the way the driver and the readers use it.
// Memory is measured by counting the bytes live on the heap.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "xls/model/XLSWorkbook.h"

namespace {
std::atomic<int64_t> gLiveBytes{0};
}  // namespace

// Every allocation carries its size in a 16-byte header so delete can count it.
// Not inlined: seen inline at a call site, the header arithmetic reads to the
// compiler like an access outside the object that was allocated.
[[gnu::noinline]] void* operator new(std::size_t size) {
    void* block = std::malloc(size + 16);
    if (block == nullptr) throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    gLiveBytes += static_cast<int64_t>(size);
    return static_cast<char*>(block) + 16;
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    if (p == nullptr) return;
    void* block = static_cast<char*>(p) - 16;
    gLiveBytes -= static_cast<int64_t>(*static_cast<std::size_t*>(block));
    std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace korvel {
namespace {

constexpr int32_t kCells = 1000000;

// Shapes of the filled area: rows x columns = kCells.
struct Shape {
    int32_t rows, cols;
};
constexpr Shape kShapes[] = {{1000, 1000}, {15625, 64}, {250000, 4}};

std::vector<std::u16string> DistinctTexts() {
    std::vector<std::u16string> texts;
    for (int i = 0; i < 1000; ++i) {
        std::string s = "device " + std::to_string(i);
        texts.emplace_back(s.begin(), s.end());
    }
    return texts;
}

template <class MakeValue>
void Fill(IXLSWorksheet& sheet, Shape shape, MakeValue makeValue) {
    TXLSRangeRef cells = sheet.Cells();
    for (int32_t row = 1; row <= shape.rows; ++row)
        for (int32_t col = 1; col <= shape.cols; ++col) cells->Item(row, col)->SetValue(makeValue(row, col));
}

void SetNumbers(benchmark::State& state) {
    const Shape shape = kShapes[state.range(0)];
    int64_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto book = std::make_unique<TXLSWorkbook>();
        IXLSWorksheet& sheet = book->Sheets().Add();
        int64_t before = gLiveBytes;
        state.ResumeTiming();
        Fill(sheet, shape, [](int32_t row, int32_t col) { return Variant(row * 1.5 + col); });
        state.PauseTiming();
        bytes = gLiveBytes - before;
        book.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kCells);
    state.counters["bytes_per_cell"] = static_cast<double>(bytes) / kCells;
}

void SetTexts(benchmark::State& state) {
    const Shape shape = kShapes[state.range(0)];
    const std::vector<std::u16string> texts = DistinctTexts();
    std::vector<Variant> values(texts.begin(), texts.end());
    int64_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto book = std::make_unique<TXLSWorkbook>();
        IXLSWorksheet& sheet = book->Sheets().Add();
        int64_t before = gLiveBytes;
        state.ResumeTiming();
        Fill(sheet, shape, [&](int32_t row, int32_t col) -> const Variant& {
            return values[static_cast<size_t>(row * 7 + col) % values.size()];
        });
        state.PauseTiming();
        bytes = gLiveBytes - before;
        book.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kCells);
    state.counters["bytes_per_cell"] = static_cast<double>(bytes) / kCells;
}

void ReadBack(benchmark::State& state, bool texts) {
    const Shape shape = kShapes[state.range(0)];
    const std::vector<std::u16string> distinct = DistinctTexts();
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    if (texts) {
        Fill(sheet, shape, [&](int32_t row, int32_t col) {
            return Variant(distinct[static_cast<size_t>(row * 7 + col) % distinct.size()]);
        });
    } else {
        Fill(sheet, shape, [](int32_t row, int32_t col) { return Variant(row * 1.5 + col); });
    }
    TXLSRangeRef cells = sheet.Cells();
    for (auto _ : state) {
        for (int32_t row = 1; row <= shape.rows; ++row) {
            for (int32_t col = 1; col <= shape.cols; ++col) {
                Variant v = cells->Item(row, col)->Value();
                benchmark::DoNotOptimize(v);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

void ReadNumbers(benchmark::State& state) { ReadBack(state, false); }
void ReadTexts(benchmark::State& state) { ReadBack(state, true); }

// Argument: index into kShapes (0: 1000 x 1000, 1: 15625 x 64, 2: 250000 x 4).
BENCHMARK(SetNumbers)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(SetTexts)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadNumbers)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadTexts)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
