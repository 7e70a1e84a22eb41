// Plain substring search over English-like text as the engine sees it: 256 KiB
// blocks and 80-byte lines. BM_Memmem* (the C library's memmem) is the baseline
// to compare the other bytes-per-second figures with; BM_FoldAndMemmem* is how
// a search ignoring case used to work, upper-casing the text into a copy first.

#include <benchmark/benchmark.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/platform/text_search.h"

namespace tavro {
namespace {

constexpr std::size_t kTextSize = 4 << 20;
constexpr std::size_t kBlockSize = 256 << 10;
constexpr std::string_view kNeedle = "OldCompanyName";

// About 4 MiB of sentences in lines of up to 80 bytes, with kNeedle about once
// per 10 KiB.
const std::string& Text() {
    static const std::string text = [] {
        static const char* const kWords[] = {
            "the",  "of",     "and",      "to",       "in",      "is",     "that",
            "for",  "it",     "was",      "on",       "with",    "as",     "be",
            "by",   "this",   "file",     "search",   "replace", "string", "company",
            "name", "report", "delivery", "customer", "value",   "return", "count",
            "int",  "items",  "total",    "price",    "Monday",  "London", "version",
            "(x)",  "a[i]",   "x = 1;",   "2024",     "12.5",    "old",    "new"};
        std::mt19937 random(42);
        std::string out;
        std::size_t column = 0;
        std::size_t nextNeedle = 5000;
        bool sentenceStart = true;
        while (out.size() < kTextSize) {
            std::string word = kWords[random() % std::size(kWords)];
            if (out.size() >= nextNeedle) {
                word = kNeedle;
                nextNeedle += 5000 + random() % 10240;
            }
            if (sentenceStart && word[0] >= 'a' && word[0] <= 'z') word[0] -= 32;
            sentenceStart = random() % 12 == 0;
            if (sentenceStart) word += random() % 4 == 0 ? "," : ".";
            if (column + word.size() + 1 > 80) {
                out += '\n';
                column = 0;
            } else if (column > 0) {
                out += ' ';
                ++column;
            }
            out += word;
            column += word.size();
        }
        return out;
    }();
    return text;
}

std::vector<std::string_view> Blocks() {
    std::vector<std::string_view> blocks;
    std::string_view text = Text();
    for (std::size_t at = 0; at < text.size(); at += kBlockSize) {
        blocks.push_back(text.substr(at, kBlockSize));
    }
    return blocks;
}

std::vector<std::string_view> Lines() {
    std::vector<std::string_view> lines;
    std::string_view text = Text();
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        end = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return lines;
}

// Upper-cases as the engine's callers did before the searcher could ignore case.
void Fold(std::string_view text, std::string& out) {
    out.resize(text.size());
    const char* in = text.data();
    char* folded = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        folded[i] = static_cast<char>(static_cast<unsigned char>(c - 'a') < 26 ? c - 32 : c);
    }
}

// Every occurrence in each piece, as a replacement must find them all.
template <typename Find>
int CountAll(const std::vector<std::string_view>& pieces, std::size_t needleSize, Find find) {
    int hits = 0;
    for (std::string_view piece : pieces) {
        for (std::size_t at = find(piece); at != std::string_view::npos;) {
            ++hits;
            piece.remove_prefix(at + needleSize);
            at = find(piece);
        }
    }
    return hits;
}

void Run(benchmark::State& state, const std::vector<std::string_view>& pieces,
         std::string_view needle, bool ignoreCase, int how) {
    const Searcher searcher{std::string(needle), ignoreCase};
    std::string upperNeedle;
    Fold(needle, upperNeedle);
    std::string scratch;
    std::int64_t bytes = 0;
    for (std::string_view piece : pieces) bytes += static_cast<std::int64_t>(piece.size());
    for (auto _ : state) {
        int hits = 0;
        switch (how) {
            case 0:  // memmem, exact
                hits = CountAll(pieces, needle.size(),
                                [&](std::string_view p) { return FindBytes(p, needle); });
                break;
            case 1:  // fold a copy of each piece once, then memmem
                for (std::string_view piece : pieces) {
                    Fold(piece, scratch);
                    hits += CountAll({std::string_view(scratch)}, needle.size(),
                                     [&](std::string_view p) { return FindBytes(p, upperNeedle); });
                }
                break;
            default:
                hits = CountAll(pieces, needle.size(),
                                [&](std::string_view p) { return searcher.Find(p); });
                break;
        }
        benchmark::DoNotOptimize(hits);
        state.counters["hits"] = hits;
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_MemmemBlocks(benchmark::State& state) { Run(state, Blocks(), kNeedle, false, 0); }
void BM_FoldAndMemmemBlocks(benchmark::State& state) { Run(state, Blocks(), kNeedle, true, 1); }
void BM_SearcherExactBlocks(benchmark::State& state) { Run(state, Blocks(), kNeedle, false, 2); }
void BM_SearcherIgnoreCaseBlocks(benchmark::State& state) {
    Run(state, Blocks(), kNeedle, true, 2);
}
void BM_MemmemLines(benchmark::State& state) { Run(state, Lines(), kNeedle, false, 0); }
void BM_FoldAndMemmemLines(benchmark::State& state) { Run(state, Lines(), kNeedle, true, 1); }
void BM_SearcherExactLines(benchmark::State& state) { Run(state, Lines(), kNeedle, false, 2); }
void BM_SearcherIgnoreCaseLines(benchmark::State& state) { Run(state, Lines(), kNeedle, true, 2); }
BENCHMARK(BM_MemmemBlocks);
BENCHMARK(BM_FoldAndMemmemBlocks);
BENCHMARK(BM_SearcherExactBlocks);
BENCHMARK(BM_SearcherIgnoreCaseBlocks);
BENCHMARK(BM_MemmemLines);
BENCHMARK(BM_FoldAndMemmemLines);
BENCHMARK(BM_SearcherExactLines);
BENCHMARK(BM_SearcherIgnoreCaseLines);

// Text made of the needle's rarest byte with no match: every position is a
// candidate, so the searcher must notice and go linear.
const std::vector<std::string_view>& RunOfX() {
    static const std::string text(kTextSize, 'x');
    static const std::vector<std::string_view> blocks = [] {
        std::vector<std::string_view> out;
        for (std::size_t at = 0; at < text.size(); at += kBlockSize) {
            out.push_back(std::string_view(text).substr(at, kBlockSize));
        }
        return out;
    }();
    return blocks;
}

const std::string kLongNeedle = std::string(999, 'x') + "y";

void BM_PathologicalMemmem(benchmark::State& state) {
    Run(state, RunOfX(), state.range(0) == 0 ? "xxxa" : kLongNeedle, false, 0);
}
void BM_PathologicalSearcherExact(benchmark::State& state) {
    Run(state, RunOfX(), state.range(0) == 0 ? "xxxa" : kLongNeedle, false, 2);
}
void BM_PathologicalSearcherIgnoreCase(benchmark::State& state) {
    Run(state, RunOfX(), state.range(0) == 0 ? "xxxa" : kLongNeedle, true, 2);
}
// 0: "xxxa", 1: 999 x and a y.
BENCHMARK(BM_PathologicalMemmem)->Arg(0)->Arg(1);
BENCHMARK(BM_PathologicalSearcherExact)->Arg(0)->Arg(1);
BENCHMARK(BM_PathologicalSearcherIgnoreCase)->Arg(0)->Arg(1);

}  // namespace
}  // namespace tavro

BENCHMARK_MAIN();
