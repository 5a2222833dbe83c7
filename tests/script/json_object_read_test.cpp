#include <gtest/gtest.h>

#include <string>

#include "runtime/codepage.h"
#include "runtime/text.h"
#include "script/json_object.h"

namespace quellora {
namespace {

Text Gb(std::string_view utf8) {
  return FromUtf8(utf8);
}

constexpr char kSample[] = R"({"title":"abc","n":5,"ok":true,"list":[1,2,3],"o":{"x":1}})";

std::vector<Text> Keys(const JsonObject& json, std::string_view path = "") {
  TextArray keys;
  keys.Append("stale");
  int count = json.ListKeys(keys, path);
  EXPECT_EQ(count, keys.ElementCount());
  return keys.Elements();
}

TEST(JsonObjectReadTest, NewObjectHoldsAnEmptyObject) {
  JsonObject json;
  EXPECT_EQ(json.ToJson(), "{}");
  EXPECT_EQ(json.MemberCount(), 0);
  EXPECT_EQ(json.TypeOf(), kJsonObject);
  EXPECT_TRUE(Keys(json).empty());
}

TEST(JsonObjectReadTest, SampleMembers) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(kSample));
  EXPECT_EQ(json.GetText("title"), "abc");
  EXPECT_EQ(json.GetText("n"), "5");
  EXPECT_EQ(json.TypeOf("title"), kJsonString);
  EXPECT_EQ(json.TypeOf("n"), kJsonNumber);
  EXPECT_EQ(json.TypeOf("list"), kJsonArray);
  EXPECT_EQ(json.TypeOf("o"), kJsonObject);
  EXPECT_EQ(json.TypeOf("ok"), kJsonOther);
  EXPECT_EQ(json.TypeOf("missing"), kJsonNull);
  EXPECT_EQ(json.MemberCount(""), 5);
  EXPECT_EQ(json.MemberCount("list"), 3);
  EXPECT_EQ(json.GetElementText(1, "list"), "2");
  EXPECT_EQ(json.GetText("o", true), R"({"x":1})");
  EXPECT_EQ(Keys(json), (std::vector<Text>{"title", "n", "ok", "list", "o"}));
  EXPECT_FALSE(json.Has("missing"));
  EXPECT_TRUE(json.Has("title"));
  EXPECT_EQ(json.GetNumber("n"), 5);
  EXPECT_EQ(json.GetJson("list"), "[1,2,3]");
}

TEST(JsonObjectReadTest, ValuesReadAsText) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"t":true,"f":false,"z":null,"o":{"a":[1,"x"]},"e":[],"s":""})"));
  EXPECT_EQ(json.GetText("t"), "true");
  EXPECT_EQ(json.GetText("f"), "false");
  EXPECT_EQ(json.GetText("z"), "");
  EXPECT_EQ(json.GetText("z", true), "null");
  EXPECT_EQ(json.GetText("o"), R"({"a":[1,"x"]})");
  EXPECT_EQ(json.GetText("e"), "[]");
  EXPECT_EQ(json.GetText("s"), "");
  EXPECT_EQ(json.GetText("missing", true), "");
}

TEST(JsonObjectReadTest, NumbersReadInTheTextForm) {
  struct Case {
    const char* json;
    double value;
  };
  const Case cases[] = {{"2.5", 2.5},
                        {"-0.1", -0.1},
                        {"1234567890123456789", 1234567890123456789.0},
                        {"0.1234567890123456", 0.1234567890123456},
                        {"1e300", 1e300},
                        {"7", 7}};
  for (const Case& c : cases) {
    JsonObject json;
    ASSERT_TRUE(json.Parse(std::string("{\"n\":") + c.json + ",\"a\":[" + c.json + "]}"));
    EXPECT_EQ(json.GetText("n"), ToText(c.value)) << c.json;
    EXPECT_EQ(json.GetElementText(0, "a"), ToText(c.value)) << c.json;
    EXPECT_EQ(json.GetNumber("n"), c.value) << c.json;
  }
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"n":1234567890123456789})"));
  EXPECT_EQ(json.GetText("n"), "1.234567890123e+018");  // 13 significant digits
}

TEST(JsonObjectReadTest, ParseResults) {
  struct Case {
    const char* json;
    bool result;
    const char* text;  // ToJson afterwards
  };
  const Case cases[] = {
      {"null", false, "null"},
      {"0", true, "0"},
      {"false", true, "false"},
      {"[]", true, "[]"},
      {"{\"a\":", false, "null"},
      {"{a:1}", false, "null"},
      {"", false, ""},
      {"  \n", false, ""},
      {" [1, 2] ", true, "[1,2]"},
      {"[1,]", false, "null"},
      {"\"1+1\"", true, "\"1+1\""},
      {"1+1", false, "null"},
      {"alert(1)", false, "null"},
      {"{\"a\":1} x", false, "null"},
  };
  for (const Case& c : cases) {
    JsonObject json;
    EXPECT_EQ(json.Parse(c.json), c.result) << c.json;
    EXPECT_EQ(json.ToJson(), c.text) << c.json;
  }
}

TEST(JsonObjectReadTest, ParseNeverRunsAString) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"("1+1")"));
  EXPECT_EQ(json.TypeOf(), kJsonString);
  EXPECT_EQ(json.GetText(""), "1+1");
  ASSERT_TRUE(json.Parse(R"("da={}; while(1){}")"));
  EXPECT_EQ(json.GetText(""), "da={}; while(1){}");
}

TEST(JsonObjectReadTest, FailedParseLeavesNullAndEmptyReads) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(kSample));
  EXPECT_FALSE(json.Parse("{\"title\":"));
  EXPECT_EQ(json.GetText("title"), "");
  EXPECT_EQ(json.TypeOf(), kJsonNull);
  EXPECT_EQ(json.TypeOf("title"), kJsonOther);
  EXPECT_EQ(json.MemberCount(), 0);
  EXPECT_EQ(json.MemberCount("title"), 0);
  EXPECT_FALSE(json.Has("title"));
  EXPECT_TRUE(Keys(json).empty());
}

TEST(JsonObjectReadTest, ParseStartsOver) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"a":1})"));
  ASSERT_TRUE(json.Parse(R"({"b":2})"));
  EXPECT_EQ(json.ToJson(), R"({"b":2})");
}

TEST(JsonObjectReadTest, ArrayValue) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"([{"id":"7"},"x",3])"));
  EXPECT_EQ(json.GetText("[0]", true), R"({"id":"7"})");
  EXPECT_EQ(json.GetText("[0].id"), "7");
  EXPECT_EQ(json.GetText("[2]"), "3");
  EXPECT_EQ(json.TypeOf("[2]"), kJsonNumber);
  EXPECT_EQ(json.TypeOf(), kJsonArray);  // the whole value is an array, not an object
  EXPECT_EQ(json.MemberCount(), 3);
  EXPECT_EQ(json.GetElementText(1), "x");
  EXPECT_EQ(json.GetElementText(3), "");
  EXPECT_EQ(json.GetElementText(-1), "");
  EXPECT_EQ(Keys(json), (std::vector<Text>{"0", "1", "2"}));
}

TEST(JsonObjectReadTest, PathForms) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(Gb(
      R"({"a":{"b":[{"c":"deep"}]},"odd key":{"x":"y"},"it's":1,"0":"zero","$_9":"id","中":"cn"})")));
  struct Case {
    Text path;
    Text text;
  };
  const Case cases[] = {
      {"a.b[0].c", "deep"},
      {"a . b [ 0 ] . c", "deep"},
      {"['odd key'].x", "y"},
      {"[\"odd key\"][\"x\"]", "y"},
      {"a['b'][0]['c']", "deep"},
      {"['it\\'s']", "1"},
      {"[0]", "zero"},
      {"['0']", "zero"},
      {"$_9", "id"},
      {Gb("中"), "cn"},
      {"['\\u4e2d']", "cn"},
      {"a.b['0'].c", "deep"},
  };
  for (const Case& c : cases) EXPECT_EQ(json.GetText(c.path), c.text) << c.path;
  const char* invalid[] = {"a..b",  "1a",  ".a",  "a.",      "a[",     "a[0", "a['b]", "a[b]",
                           "a[01]", "a b", "a-b", "a.b[0]x", "a[1.5]", "a;b", "a()"};
  for (const char* path : invalid) {
    EXPECT_EQ(json.GetText(path), "") << path;
    EXPECT_EQ(json.TypeOf(path), kJsonOther) << path;
    EXPECT_EQ(json.MemberCount(path), 0) << path;
  }
}

TEST(JsonObjectReadTest, MissingMembers) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"a":{"b":1},"s":"text","z":null})"));
  EXPECT_EQ(json.TypeOf("a.missing"), kJsonNull);
  EXPECT_EQ(json.TypeOf("missing.b"), kJsonOther);  // a step through a missing member
  EXPECT_EQ(json.TypeOf("z.b"), kJsonOther);
  EXPECT_EQ(json.TypeOf("s.length"), kJsonNull);
  EXPECT_EQ(json.GetText("missing.b"), "");
  EXPECT_EQ(json.GetNumber("missing"), 0);
  EXPECT_FALSE(json.Has("z"));
  EXPECT_FALSE(json.Has("missing.b"));
  EXPECT_FALSE(json.Has(""));
  EXPECT_EQ(json.GetJson(""), "");
}

TEST(JsonObjectReadTest, CountsAreNeverNegative) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"z":null,"s":"abc","n":1,"o":{}})"));
  EXPECT_EQ(json.MemberCount("missing"), 0);
  EXPECT_EQ(json.MemberCount("missing.x"), 0);
  EXPECT_EQ(json.MemberCount("z"), 0);
  EXPECT_EQ(json.MemberCount("s"), 0);
  EXPECT_EQ(json.MemberCount("n"), 0);
  EXPECT_EQ(json.MemberCount("o"), 0);
  ASSERT_FALSE(json.Parse("null"));
  EXPECT_EQ(json.MemberCount(), 0);
}

TEST(JsonObjectReadTest, ListKeysGivesKeysWhole) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(
      R"({"toJSONString":1,"parseJSON":2,"xtoJSONString":3,"yparseJSON":4,"a,b":5,"":6})"));
  EXPECT_EQ(Keys(json), (std::vector<Text>{"toJSONString", "parseJSON", "xtoJSONString",
                                           "yparseJSON", "a,b", ""}));
  EXPECT_EQ(json.MemberCount(), 6);
  EXPECT_TRUE(Keys(json, "missing").empty());
  EXPECT_TRUE(Keys(json, "toJSONString").empty());  // a number has no keys
}

TEST(JsonObjectReadTest, StringsOutsideGbkSurvive) {
  const Text title = Gb("专辑 😀 𠀀 é ü");
  JsonObject json;
  ASSERT_TRUE(json.Parse("{\"title\":\"" + title + "\",\"" + Gb("标题😀") + "\":1}"));
  EXPECT_EQ(json.GetText("title"), title);
  EXPECT_EQ(json.GetText("title", true), "\"" + title + "\"");
  EXPECT_EQ(json.ToJson(), "{\"title\":\"" + title + "\",\"" + Gb("标题😀") + "\":1}");
  EXPECT_EQ(Keys(json), (std::vector<Text>{"title", Gb("标题😀")}));
  EXPECT_EQ(json.GetText(Gb("['标题😀']")), "1");
  // Escapes give the same characters, pairs of surrogates included.
  ASSERT_TRUE(json.Parse(R"({"t":"\u4e13\ud83d\ude00\u00e9"})"));
  EXPECT_EQ(json.GetText("t"), Gb("专😀é"));
}

TEST(JsonObjectReadTest, LoneSurrogateEscapesReadAsReplacementCharacters) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"a":"x\ud83dy","b":"\ude00","c":"\\ud83d","d":"\uD83D\uDE00"})"));
  EXPECT_EQ(json.GetText("a"), Gb("x\uFFFDy"));
  EXPECT_EQ(json.GetText("b"), Gb("\uFFFD"));
  EXPECT_EQ(json.GetText("c"), "\\ud83d");  // an escaped backslash, not an escape
  EXPECT_EQ(json.GetText("d"), Gb("😀"));
}

TEST(JsonObjectReadTest, ToJsonEscapes) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(
      R"(["q\"b\\s\/t\tn\nr\rf\fb\b","\u0001\u001f\u007f\u0080\u009f\u00ad\u0600\u070f\u17b4\u200c\u2028\u202f\u2060\ufeff\ufff0\uffff","\u00a0\u4e2d\ud83d\ude00 <&>"])"));
  EXPECT_EQ(
      json.ToJson(),
      R"(["q\"b\\s/t\tn\nr\rf\fb\b","\u0001\u001f\u007f\u0080\u009f\u00ad\u0600\u070f\u17b4\u200c\u2028\u202f\u2060\ufeff\ufff0\uffff",")" +
          Gb("\u00a0中😀 <&>") + "\"]");
}

TEST(JsonObjectReadTest, ToJsonWritesNumbersAsAScriptEngineDoes) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"100.0", "100"},
      {"2.50", "2.5"},
      {"1e21", "1e+21"},
      {"1e20", "100000000000000000000"},
      {"1.5e-7", "1.5e-7"},
      {"0.000001", "0.000001"},
      {"-0", "0"},
      {"-0.0", "0"},
      {"12345678901234567890", "12345678901234567000"},
      {"0.1", "0.1"},
      {"-1.25e+30", "-1.25e+30"},
      {"123456789.125", "123456789.125"},
  };
  for (const Case& c : cases) {
    JsonObject json;
    ASSERT_TRUE(json.Parse(std::string("[") + c.in + "]")) << c.in;
    EXPECT_EQ(json.ToJson(), std::string("[") + c.out + "]") << c.in;
  }
}

TEST(JsonObjectReadTest, DuplicateKeysKeepTheLastValueInTheFirstPlace) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"a":1,"b":2,"a":3})"));
  EXPECT_EQ(json.ToJson(), R"({"a":3,"b":2})");
}

TEST(JsonObjectReadTest, GetObjectHoldsAnIndependentCopy) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(kSample));
  JsonObject o = json.GetObject("o");
  EXPECT_EQ(o.ToJson(), R"({"x":1})");
  o.SetNumber("x", 2);
  EXPECT_EQ(json.GetText("o.x"), "1");
  JsonObject whole = json.GetObject("");
  EXPECT_EQ(whole.ToJson(), json.ToJson());
  JsonObject title = json.GetObject("title");
  EXPECT_EQ(title.TypeOf(), kJsonString);
  EXPECT_EQ(title.GetText(""), "abc");
  JsonObject element = json.GetElementObject(2, "list");
  EXPECT_EQ(element.ToJson(), "3");
  EXPECT_EQ(json.GetElementObject(0).TypeOf(), kJsonNull);  // an object has no member "0"
}

TEST(JsonObjectReadTest, GetObjectOfAMissingPathHoldsNothing) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(kSample));
  for (const char* path : {"missing", "missing.x", "a..b"}) {
    JsonObject missing = json.GetObject(path);
    EXPECT_EQ(missing.ToJson(), "") << path;
    EXPECT_EQ(missing.TypeOf(), kJsonNull) << path;
    EXPECT_EQ(missing.MemberCount(), 0) << path;
  }
}

TEST(JsonObjectReadTest, CopiesAreIndependent) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(kSample));
  JsonObject copy = json;
  copy.SetText("title", "changed");
  EXPECT_EQ(json.GetText("title"), "abc");
  JsonObject moved = std::move(copy);
  EXPECT_EQ(moved.GetText("title"), "changed");
  copy = moved;  // a moved-from object can be assigned again
  EXPECT_EQ(copy.GetText("title"), "changed");
}

TEST(JsonObjectReadTest, TrackDescription) {
  JsonObject json;
  Text track = Gb(
      R"({"id":7,"play_path":"http://127.0.0.1:8730/audio/7.mp3","album_title":"晨曲 Vol.1","title":"第一首 😀","duration":183.5})");
  ASSERT_TRUE(json.Parse(track));
  EXPECT_EQ(json.GetText("play_path"), "http://127.0.0.1:8730/audio/7.mp3");
  EXPECT_EQ(json.GetText("album_title"), Gb("晨曲 Vol.1"));
  EXPECT_EQ(json.GetText("title"), Gb("第一首 😀"));
}

}  // namespace
}  // namespace quellora
