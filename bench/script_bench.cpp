// Micro-benchmarks of the script objects on the program's own work: reading a track
// description, counting the page links of an album page, finding a page's declared charset.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/codepage.h"
#include "script/json_object.h"
#include "script/json_text.h"
#include "script/regex_object.h"

namespace quellora {
namespace {

/// A track description of about 2 KB, Chinese text included, in the program's code page.
Text TrackDescription() {
  std::string utf8 =
      R"({"id":48213907,"play_path":"http://127.0.0.1:8730/audio/u1/48213907.mp3",)"
      R"("album_title":"晨曲集 第二卷","title":"第七首 山间小路 😀","duration":241.37,)"
      R"("album_id":7,"owner":{"id":1,"nickname":"清晨之声","verified":true},)"
      R"("category":"music","tags":["轻音乐","钢琴","放松","晨间"],"play_count":1283377,)"
      R"("like_count":20931,"comment_count":1302,"is_paid":false,"price":null,)"
      R"("formats":[{"name":"mp3_64","bitrate":64,"size":1931412},)"
      R"({"name":"mp3_128","bitrate":128,"size":3862824}],"intro":")";
  while (FromUtf8(utf8).size() < 1950)
    utf8 += "这是一段关于这首曲子的介绍文字，讲述创作的背景与故事。 ";
  utf8 += R"(","created_at":"2026-03-14T08:21:00Z"})";
  return FromUtf8(utf8);
}

/// An album page of about 100 KB with a paging bar near the end.
Text AlbumPage() {
  Text page = "<html><head><meta charset=\"gbk\"><title>album</title></head><body>\n";
  int track = 0;
  while (page.size() < 100 * 1024) {
    page += "<li><a class=\"title\" href=\"/u1/sound/" + std::to_string(++track) + "\" title=\"" +
            FromUtf8("第一首 山间小路") + "\">" + FromUtf8("第一首 山间小路") +
            "</a><span class=\"count\">12,345</span></li>\n";
  }
  page +=
      "<div class=\"pagingBar_wrapper\"><a data-page='1'>1</a><a data-page='2'>2</a>"
      "<a data-page='3'>3</a><a data-page='4'>4</a><a data-page='5'>5</a></div></body>";
  return page;
}

/// The first 1024 bytes of a page that declares its charset in a meta tag.
Text PageHead() {
  Text head =
      "<!DOCTYPE html>\n<html lang=\"zh\">\n<head>\n"
      "<link rel=\"stylesheet\" href=\"/static/site.css\">\n"
      "<script src=\"/static/app.js\"></script>\n";
  while (head.size() < 800) head += "<link rel=\"preload\" href=\"/static/font.woff2\">\n";
  head += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n";
  while (head.size() < 1024) head += ' ';
  return head.substr(0, 1024);
}

void BM_TrackRead(benchmark::State& state) {
  const Text track = TrackDescription();
  JsonObject json;
  for (auto _ : state) {
    json.Parse(track);
    benchmark::DoNotOptimize(json.GetText("play_path"));
    benchmark::DoNotOptimize(json.GetText("album_title"));
    benchmark::DoNotOptimize(json.GetText("title"));
  }
  state.SetLabel(std::to_string(track.size()) + " bytes");
}
BENCHMARK(BM_TrackRead);

// The two steps of JsonObject::Parse on the same track: code page to UTF-8, then the JSON reader.
void BM_TrackToUtf8(benchmark::State& state) {
  const Text track = TrackDescription();
  for (auto _ : state) benchmark::DoNotOptimize(TextToUtf8(track));
}
BENCHMARK(BM_TrackToUtf8);

void BM_TrackJsonText(benchmark::State& state) {
  const std::string utf8 = TextToUtf8(TrackDescription());
  for (auto _ : state) benchmark::DoNotOptimize(ReadJsonText(utf8));
  state.SetLabel(std::to_string(utf8.size()) + " bytes of UTF-8");
}
BENCHMARK(BM_TrackJsonText);

// The floor under ReadJsonText: nlohmann's own DOM parse of the same UTF-8, and its lexer and
// parser alone (a SAX handler that keeps nothing).
void BM_TrackNlohmannParse(benchmark::State& state) {
  const std::string utf8 = TextToUtf8(TrackDescription());
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        nlohmann::ordered_json::parse(utf8.data(), utf8.data() + utf8.size(), nullptr, false));
  }
}
BENCHMARK(BM_TrackNlohmannParse);

struct KeepNothing {
  using Json = nlohmann::ordered_json;
  bool null() { return true; }
  bool boolean(bool) { return true; }
  bool number_integer(Json::number_integer_t) { return true; }
  bool number_unsigned(Json::number_unsigned_t) { return true; }
  bool number_float(Json::number_float_t, const std::string&) { return true; }
  bool string(std::string&) { return true; }
  bool binary(Json::binary_t&) { return true; }
  bool start_object(std::size_t) { return true; }
  bool key(std::string&) { return true; }
  bool end_object() { return true; }
  bool start_array(std::size_t) { return true; }
  bool end_array() { return true; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    return false;
  }
};

void BM_TrackNlohmannLexOnly(benchmark::State& state) {
  const std::string utf8 = TextToUtf8(TrackDescription());
  for (auto _ : state) {
    KeepNothing sax;
    benchmark::DoNotOptimize(
        nlohmann::ordered_json::sax_parse(utf8.data(), utf8.data() + utf8.size(), &sax));
  }
}
BENCHMARK(BM_TrackNlohmannLexOnly);

void BM_TrackGetText(benchmark::State& state) {
  JsonObject json;
  json.Parse(TrackDescription());
  for (auto _ : state) {
    benchmark::DoNotOptimize(json.GetText("play_path"));
    benchmark::DoNotOptimize(json.GetText("album_title"));
    benchmark::DoNotOptimize(json.GetText("title"));
  }
}
BENCHMARK(BM_TrackGetText);

void BM_PagingSearch(benchmark::State& state) {
  const Text page = AlbumPage();
  for (auto _ : state) {
    RegexObject regex;
    regex.Search("data-page='(\\d)'", page);
    benchmark::DoNotOptimize(regex.MatchCount());
  }
  state.SetLabel(std::to_string(page.size()) + " bytes");
}
BENCHMARK(BM_PagingSearch)->Unit(benchmark::kMicrosecond);

void BM_CharsetSearch(benchmark::State& state) {
  const Text head = PageHead();
  for (auto _ : state) {
    RegexObject regex;
    regex.Search("<meta.+?charset=[^\\w]?([-\\w]+)", head);
    benchmark::DoNotOptimize(regex.SubMatchText(1, 1));
  }
  state.SetLabel(std::to_string(head.size()) + " bytes");
}
BENCHMARK(BM_CharsetSearch)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quellora

BENCHMARK_MAIN();
