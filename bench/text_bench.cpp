// Text search speed on a 2 MB search page of mixed ASCII and Chinese (GB18030) text, next to
// glibc memmem over the same bytes. Run a Release build: build/<dir>/bench/text_bench.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "runtime/codepage.h"
#include "runtime/markers.h"
#include "runtime/text.h"

namespace {

using quellora::Text;

constexpr std::size_t kPageSize = 2 * 1024 * 1024;
constexpr std::string_view kTitleOpen = "<div class=\"info title\">";
constexpr std::string_view kPublisherOpen = "<div class=\"info last\">";
constexpr std::string_view kBlockClose = "</div>";
// Not on a search page: every search for it scans the whole page.
constexpr std::string_view kAbsent = "<div class=\"pagingBar_wrapper\"";

// A search page: album blocks with Chinese names and publishers between navigation, scripts
// and paragraphs of Chinese prose, about two thirds of the bytes in two-byte characters.
const Text& Page() {
  static const Text page = [] {
    const std::string hanzi =
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能"
        "下过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加"
        "量都两体制机当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与"
        "关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者"
        "最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少"
        "图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处队南给色光"
        "门即保治北造百规热领七海口东导器压志世金增争济阶油思术极交受联什认六共权收证改清己美再采"
        "转更单风切打白教速花带安场身车例真务具万每目至达走积示议声报斗完类八离华名确才科张信马节"
        "话米整空元况今集温传土许步群广石记需段研界拉林律叫且究观越织装影算低持音众书布复容儿须际"
        "商非验连断深难近矿千周委素技备半办青省列习响约支般史感劳便团往酸历市克何除消构府称太准精"
        "值号率族维划选标写存候毛亲快效斯院查江型眼王按格养易置派层片始却专状育厂京识适属圆包火住"
        "调满县局照参红细引听该铁价严龙飞专辑夜曲十一月的萧邦晴天稻香七里香青花瓷";
    std::string utf8;
    utf8.reserve(kPageSize * 3 / 2);
    std::uint32_t seed = 2026;
    auto next = [&seed](std::uint32_t bound) {
      seed = seed * 1664525U + 1013904223U;
      return (seed >> 8) % bound;
    };
    const std::size_t hanziCount = hanzi.size() / 3;
    auto chinese = [&](std::size_t count) {
      std::string text;
      for (std::size_t i = 0; i < count; ++i) text += hanzi.substr(next(hanziCount) * 3, 3);
      return text;
    };
    utf8 += "<!DOCTYPE html><html><head><meta charset=\"gbk\"><title>" + chinese(6) +
            "</title><script src=\"/static/app.js\"></script></head><body>\n";
    for (int album = 1; utf8.size() < kPageSize * 3 / 2; ++album) {
      const std::string id = std::to_string(album);
      utf8 += "<ul class=\"nav\"><li><a href=\"/category/" + id + "\">" + chinese(4) +
              "</a></li><li><a href=\"/rank\">" + chinese(3) + "</a></li></ul>\n";
      utf8 += std::string(kTitleOpen) + "<a href=\"/u" + std::to_string(next(90000)) + "/album/" +
              id + "\" hashlink>" + chinese(2 + next(10)) + " Vol." + id + "</a></div>\n";
      utf8 += "<p class=\"intro\">" + chinese(20 + next(60)) + " (" + id + ") " +
              chinese(10 + next(30)) + "</p>\n";
      utf8 += std::string(kPublisherOpen) + "<a href=\"/u" + id + "\" hashlink>" +
              chinese(2 + next(5)) + "<i class=\"icon\"></i></a></div>\n";
      utf8 += "<span class=\"count\">" + std::to_string(next(100000)) + "</span><img src=\"/img/" +
              id + ".jpg\" alt=\"" + chinese(4) + "\">\n";
    }
    Text gb = quellora::FromUtf8(utf8);
    gb.resize(gb.size() < kPageSize ? gb.size() : kPageSize);
    while (!gb.empty() && static_cast<unsigned char>(gb.back()) >= 0x80) gb.pop_back();
    return gb;
  }();
  return page;
}

void SetPageBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(Page().size()));
}

// One search for a text that is not there: the whole page is scanned.

void BM_Memmem_WholePage(benchmark::State& state) {
  const Text& page = Page();
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(page.data(), page.size(), kAbsent.data(), kAbsent.size()));
  }
  SetPageBytes(state);
}
BENCHMARK(BM_Memmem_WholePage);

void BM_TextFind_Exact_WholePage(benchmark::State& state) {
  const Text& page = Page();
  for (auto _ : state) benchmark::DoNotOptimize(quellora::TextFind(page, kAbsent, 1, false));
  SetPageBytes(state);
}
BENCHMARK(BM_TextFind_Exact_WholePage);

void BM_TextFind_IgnoreCase_WholePage(benchmark::State& state) {
  const Text& page = Page();
  for (auto _ : state) benchmark::DoNotOptimize(quellora::TextFind(page, kAbsent, 1, true));
  SetPageBytes(state);
}
BENCHMARK(BM_TextFind_IgnoreCase_WholePage);

// Every occurrence of the title marker, one search after another.

void BM_Memmem_EveryTitle(benchmark::State& state) {
  const Text& page = Page();
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    const char* from = page.data();
    const char* end = page.data() + page.size();
    while (const void* hit = memmem(from, static_cast<std::size_t>(end - from), kTitleOpen.data(),
                                    kTitleOpen.size())) {
      ++found;
      from = static_cast<const char*>(hit) + kTitleOpen.size();
    }
  }
  state.counters["found"] = static_cast<double>(found);
  SetPageBytes(state);
}
BENCHMARK(BM_Memmem_EveryTitle);

void BM_TextFind_EveryTitle(benchmark::State& state, bool ignoreCase) {
  const Text& page = Page();
  std::size_t found = 0;
  const int markerLength = static_cast<int>(kTitleOpen.size());
  for (auto _ : state) {
    found = 0;
    for (int p = quellora::TextFind(page, kTitleOpen, 1, ignoreCase); p != -1;
         p = quellora::TextFind(page, kTitleOpen, p + markerLength, ignoreCase)) {
      ++found;
    }
  }
  state.counters["found"] = static_cast<double>(found);
  SetPageBytes(state);
}
BENCHMARK_CAPTURE(BM_TextFind_EveryTitle, Exact, false);
BENCHMARK_CAPTURE(BM_TextFind_EveryTitle, IgnoreCase, true);

// The search page's two block scans, as the album search makes them.

void BM_TextBetweenAll(benchmark::State& state, std::string_view left) {
  const Text& page = Page();
  quellora::TextArray blocks;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quellora::TextBetweenAll(page, left, kBlockClose, blocks));
  }
  state.counters["found"] = static_cast<double>(quellora::ArrayElementCount(blocks));
  SetPageBytes(state);
}
BENCHMARK_CAPTURE(BM_TextBetweenAll, Titles, kTitleOpen);
BENCHMARK_CAPTURE(BM_TextBetweenAll, Publishers, kPublisherOpen);

}  // namespace

BENCHMARK_MAIN();
