// Regular-expression search over typical text lines, against a plain substring
// search over the same lines as the baseline. Compare the bytes-per-second
// figures: BM_PlainFind is the floor any search pays for reading the lines.

#include <benchmark/benchmark.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/regex_pattern.h"

namespace tavro {
namespace {

// About 20,000 lines of source code, HTML and prose, 60 bytes long on average.
const std::vector<std::string>& TypicalLines() {
    static const std::vector<std::string> lines = [] {
        static const char* const kCode[] = {"#include <vector>",
                                            "    int count = 0;",
                                            "    for (auto& item : items) {",
                                            "        total += item.price * 1.25;",
                                            "    return foo(bar) + baz;",
                                            "}"};
        static const char* const kHtml[] = {"<td class=\"name\">Kettle</td>",
                                            "<a href=\"/shop/item/42\">Buy now</a>",
                                            "<p>Delivery in 2.5 days, returns accepted.</p>"};
        static const char* const kProse[] = {
            "The quick brown fox jumps over the lazy dog while testing the fence.",
            "Nothing was changed in the files that did not contain the search string.",
            "Version 10.4 of the report was sent on Monday morning."};
        std::mt19937 rng(7);
        std::vector<std::string> out;
        for (int i = 0; i < 20000; ++i) {
            switch (rng() % 3) {
                case 0:
                    out.emplace_back(kCode[rng() % std::size(kCode)]);
                    break;
                case 1:
                    out.emplace_back(kHtml[rng() % std::size(kHtml)]);
                    break;
                default:
                    out.emplace_back(kProse[rng() % std::size(kProse)]);
                    break;
            }
        }
        return out;
    }();
    return lines;
}

std::int64_t TotalBytes(const std::vector<std::string>& lines) {
    std::int64_t total = 0;
    for (const std::string& line : lines) total += static_cast<std::int64_t>(line.size());
    return total;
}

const char* const kPatterns[] = {
    "include",     "[0-9]+\\.[0-9]+", "<a href=\"[^\"]*\">", "(foo|bar)baz",
    "^ *#include", "[a-z]+ing",       "(the|a) [a-z]+",
};

// The baseline: a plain substring search of each line for a literal.
void BM_PlainFind(benchmark::State& state) {
    const auto& lines = TypicalLines();
    const std::string_view needle = "include";
    for (auto _ : state) {
        int hits = 0;
        for (const std::string& line : lines) {
#if defined(__GLIBC__)
            hits += memmem(line.data(), line.size(), needle.data(), needle.size()) != nullptr;
#else
            hits += std::string_view(line).find(needle) != std::string_view::npos;
#endif
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes(lines));
}
BENCHMARK(BM_PlainFind);

// A fresh pattern for every line, as a caller that compiles per line does.
void BM_CompileAndSearchEachLine(benchmark::State& state) {
    const auto& lines = TypicalLines();
    const char* pattern = kPatterns[state.range(0)];
    state.SetLabel(pattern);
    for (auto _ : state) {
        int hits = 0;
        for (const std::string& line : lines) {
            RegexPattern regex;
            regex.Compile(pattern);
            regex.StartLine(line.size());
            hits += regex.Exec(line) >= 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes(lines));
}
BENCHMARK(BM_CompileAndSearchEachLine)->DenseRange(0, std::size(kPatterns) - 1);

// One compile for the whole run, as the file processor may do.
void BM_CompileOnceSearchEachLine(benchmark::State& state) {
    const auto& lines = TypicalLines();
    const char* pattern = kPatterns[state.range(0)];
    state.SetLabel(pattern);
    for (auto _ : state) {
        RegexPattern regex;
        regex.Compile(pattern);
        int hits = 0;
        for (const std::string& line : lines) {
            regex.StartLine(line.size());
            hits += regex.Exec(line) >= 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes(lines));
}
BENCHMARK(BM_CompileOnceSearchEachLine)->DenseRange(0, std::size(kPatterns) - 1);

void BM_Compile(benchmark::State& state) {
    const char* pattern = kPatterns[state.range(0)];
    state.SetLabel(pattern);
    for (auto _ : state) {
        RegexPattern regex;
        benchmark::DoNotOptimize(regex.Compile(pattern));
    }
}
BENCHMARK(BM_Compile)->DenseRange(0, std::size(kPatterns) - 1);

// One line of a megabyte that a loop must cross to its end.
void BM_LongLineGroupLoop(benchmark::State& state) {
    std::string line;
    for (int i = 0; i < 500000; ++i) line += (i % 3 == 0) ? "ba" : "ab";
    line += "c";
    RegexPattern regex;
    regex.Compile("(a|b)*c");
    for (auto _ : state) {
        regex.StartLine(line.size());
        benchmark::DoNotOptimize(regex.Exec(line));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_LongLineGroupLoop);

}  // namespace
}  // namespace tavro

BENCHMARK_MAIN();
