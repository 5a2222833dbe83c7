#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/codepage.h"
#include "script/json_object.h"

namespace quellora {
namespace {

Text Gb(std::string_view utf8) {
  return FromUtf8(utf8);
}

TEST(JsonObjectBuildTest, SetTextOnANewObject) {
  JsonObject json;
  json.SetText("name", "abc");
  EXPECT_EQ(json.ToJson(), R"({"name":"abc"})");
  json.SetText("name", "xyz");
  json.SetText("other", "");
  EXPECT_EQ(json.ToJson(), R"({"name":"xyz","other":""})");
}

TEST(JsonObjectBuildTest, QuotedValuesReadAsStringLiterals) {
  struct Case {
    const char* value;
    const char* json;  // member s afterwards; "" when nothing was set
  };
  const Case cases[] = {
      {"a\\nb", R"("a\nb")"},
      {"tab\\there", R"("tab\there")"},
      {"\\x41\\u0042\\103", R"("ABC")"},
      {"\\'quoted\\'", R"("'quoted'")"},
      {"back\\\\slash", R"("back\\slash")"},
      {"\\q\\\"", R"("q\"")"},
      {"\\0", R"("\u0000")"},
      {"line\\\ncontinued", R"("linecontinued")"},
      {"\\ud83d\\ude00",
       "\""
       "\xF0\x9F\x98\x80"
       "\""},
      {"\\ud83d", R"("\ufffd")"},  // a lone surrogate cannot be kept
      {"it's", ""},                // an apostrophe ends the literal early
      {"x'+'y", ""},
      {"ends\\", ""},  // the backslash escapes the closing apostrophe
      {"line\nbreak", ""},
      {"\\x4", ""},
      {"\\u12", ""},
  };
  for (const Case& c : cases) {
    JsonObject json;
    json.SetText("s", c.value);
    Text expected = c.json[0] ? FromUtf8(std::string(R"({"s":)") + c.json + "}") : "{}";
    EXPECT_EQ(json.ToJson(), expected) << c.value;
  }
}

TEST(JsonObjectBuildTest, SetTextWithChineseAndCharactersOutsideGbk) {
  JsonObject json;
  const Text title = Gb("第一首 😀 𠀀");
  json.SetText("title", title);
  json.SetText(Gb("名字"), Gb("\\u4e2d文"));
  EXPECT_EQ(json.GetText("title"), title);
  EXPECT_EQ(json.GetText(Gb("名字")), Gb("中文"));
  JsonObject again;
  ASSERT_TRUE(again.Parse(json.ToJson()));
  EXPECT_EQ(again.GetText("title"), title);
}

TEST(JsonObjectBuildTest, SetTextAsObjectReadsJsonAsData) {
  struct Case {
    const char* value;
    const char* json;
  };
  const Case cases[] = {
      {"", R"({"o":{}})"},
      {R"({"a":[1,true,null]})", R"({"o":{"a":[1,true,null]}})"},
      {"42", R"({"o":42})"},
      {"null", R"({"o":null})"},
      {R"("1+1")", R"({"o":"1+1"})"},  // a JSON string is that string, never run
      {"1+1", "{}"},
      {"{bad", "{}"},
  };
  for (const Case& c : cases) {
    JsonObject json;
    json.SetText("o", c.value, true);
    EXPECT_EQ(json.ToJson(), c.json) << c.value;
  }
}

TEST(JsonObjectBuildTest, SetExpression) {
  JsonObject json;
  json.SetExpression("a", "[1,2]");
  json.SetExpression("s", R"("x")");
  EXPECT_EQ(json.ToJson(), R"({"a":[1,2],"s":"x"})");
  json.SetExpression("a", "");  // undefined: left out of JSON text
  EXPECT_EQ(json.ToJson(), R"({"s":"x"})");
  EXPECT_EQ(json.TypeOf("a"), kJsonNull);
  EXPECT_FALSE(json.Has("a"));
  EXPECT_EQ(json.GetText("a"), "");
  json.SetExpression("s", "alert(1)");
  EXPECT_EQ(json.GetText("s"), "x");
}

TEST(JsonObjectBuildTest, SetNumberRoundsTo13Digits) {
  JsonObject json;
  json.SetNumber("n", 2.5);
  EXPECT_EQ(json.GetText("n"), "2.5");
  json.SetNumber("third", 1.0 / 3);
  EXPECT_EQ(json.ToJson(), R"({"n":2.5,"third":0.3333333333333})");
  json.SetNumber("big", 1e15);
  EXPECT_EQ(json.GetText("big"), ToText(1e15));
  EXPECT_EQ(json.GetJson("big"), "1000000000000000");
  json.SetNumber("n", std::numeric_limits<double>::quiet_NaN());
  json.SetNumber("n", std::numeric_limits<double>::infinity());
  EXPECT_EQ(json.GetText("n"), "2.5");
}

TEST(JsonObjectBuildTest, SettingThroughPaths) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"a":{"list":[1]},"s":"text"})"));
  json.SetText("a.b", "x");
  json.SetText("a['odd key']", "y");
  json.SetText("a.list[0]", "first");
  json.SetText("a.list[2]", "third");  // the gap reads as null
  json.SetText("missing.b", "x");      // a step through a missing member changes nothing
  json.SetText("s.x", "x");            // a string keeps no members
  json.SetText("", "x");
  json.SetText("a..b", "x");
  EXPECT_EQ(json.ToJson(),
            R"({"a":{"list":["first",null,"third"],"b":"x","odd key":"y"},"s":"text"})");
  json.SetText("a.list[100000000]", "far");  // too far past the end: nothing
  EXPECT_EQ(json.MemberCount("a.list"), 3);
}

TEST(JsonObjectBuildTest, PushMakesAnArrayFirst) {
  JsonObject json;
  json.Push("1", "list", true);
  EXPECT_EQ(json.GetText("list", true), "[1]");
  json.Push("x", "list");
  EXPECT_EQ(json.GetText("list", true), R"([1,"x"])");
  json.SetText("s", "text");
  json.Push("y", "s");
  EXPECT_EQ(json.GetText("s", true), R"(["y"])");
  json.Push("{\"k\":[true]}", "list", true);
  json.Push("'lit'", "list", true);
  json.Push("da.s", "list", true);
  json.Push("da.missing", "list", true);  // undefined, written as null
  EXPECT_EQ(json.GetText("list", true), R"([1,"x",{"k":[true]},"lit",["y"],null])");
}

TEST(JsonObjectBuildTest, PushThatCannotRunChangesNothing) {
  JsonObject json;
  json.SetText("s", "text");
  json.Push("it's", "s");  // the value does not compile
  json.Push("nonsense", "s", true);
  json.Push("x", "missing.list");  // the path does not evaluate
  json.Push("x", "s[");
  EXPECT_EQ(json.ToJson(), R"({"s":"text"})");
  json.Push("", "s", true);  // no value: the member still becomes an array
  EXPECT_EQ(json.ToJson(), R"({"s":[]})");
}

TEST(JsonObjectBuildTest, PushAtTheRoot) {
  JsonObject json;
  json.Push("a");
  json.Push("2", "", true);
  EXPECT_EQ(json.ToJson(), R"(["a",2])");
  EXPECT_EQ(json.TypeOf(), kJsonArray);
}

TEST(JsonObjectBuildTest, ElementsOfTheWholeValue) {
  JsonObject json;
  json.Reset(kJsonArray);
  json.SetElement(0, "a");
  EXPECT_EQ(json.ToJson(), R"(["a"])");
  json.SetElement(1, "[1]", true);
  json.SetElement(3, "true", true);
  EXPECT_EQ(json.ToJson(), R"(["a",[1],null,true])");
  json.RemoveElement(-1);
  EXPECT_EQ(json.ToJson(), R"(["a",[1],null])");
  json.RemoveElement(-10);
  EXPECT_EQ(json.ToJson(), R"([[1],null])");
  json.RemoveElement(5);
  json.SetElement(-1, "x");
  json.SetElement(0, "bad value", true);
  EXPECT_EQ(json.ToJson(), R"([[1],null])");
  json.RemoveElement(0);
  json.RemoveElement(0);
  EXPECT_EQ(json.ToJson(), "[]");
}

TEST(JsonObjectBuildTest, ElementsOfAnObject) {
  JsonObject json;
  json.SetElement(0, "a");
  EXPECT_EQ(json.ToJson(), R"({"0":"a"})");
  EXPECT_EQ(json.GetElementText(0), "a");
  json.RemoveElement(0);  // an object has no elements to remove
  EXPECT_EQ(json.ToJson(), R"({"0":"a"})");
}

TEST(JsonObjectBuildTest, ResetAndClear) {
  JsonObject json;
  json.SetText("a", "b");
  for (int type : {int{kJsonNumber}, int{kJsonString}, int{kJsonOther}, 1, 3}) {
    json.Reset(type);
    EXPECT_EQ(json.ToJson(), R"({"a":"b"})") << type;
  }
  json.Reset(kJsonArray);
  EXPECT_EQ(json.ToJson(), "[]");
  json.Reset(kJsonNull);
  EXPECT_EQ(json.ToJson(), "{}");
  json.Reset(kJsonArray);
  json.Reset(kJsonObject);
  EXPECT_EQ(json.ToJson(), "{}");
  json.SetText("a", "b");
  json.Clear();
  EXPECT_EQ(json.ToJson(), "{}");
  ASSERT_FALSE(json.Parse("nonsense"));
  json.Clear();
  EXPECT_EQ(json.TypeOf(), kJsonObject);
}

TEST(JsonObjectBuildTest, SetRoot) {
  JsonObject json;
  json.SetRoot("abc");
  EXPECT_EQ(json.ToJson(), R"("abc")");
  EXPECT_EQ(json.TypeOf(), kJsonString);
  json.SetRoot("[1,2]", true);
  EXPECT_EQ(json.ToJson(), "[1,2]");
  json.SetRoot("da[1]", true);
  EXPECT_EQ(json.ToJson(), "2");
  json.SetRoot("", true);
  json.SetRoot("it's");
  EXPECT_EQ(json.ToJson(), "2");
}

TEST(JsonObjectBuildTest, DeleteMember) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"a":1,"b":{"c":2,"d":3},"l":[1,2]})"));
  json.DeleteMember("missing");
  json.DeleteMember("missing.x");
  json.DeleteMember("");
  EXPECT_EQ(json.ToJson(), R"({"a":1,"b":{"c":2,"d":3},"l":[1,2]})");
  json.DeleteMember("b.c");
  json.DeleteMember("a");
  json.DeleteMember("l[0]");  // leaves a hole, written as null
  EXPECT_EQ(json.ToJson(), R"({"b":{"d":3},"l":[null,2]})");
  EXPECT_EQ(json.TypeOf("l[0]"), kJsonNull);
}

TEST(JsonObjectBuildTest, RawReferencesCopyTheValue) {
  JsonObject json;
  ASSERT_TRUE(json.Parse(R"({"o":{"x":1}})"));
  json.Push("da.o", "copies", true);
  json.SetText("o.x", "changed");
  EXPECT_EQ(json.GetText("copies[0].x"), "1");
  json.Push("da . o", "copies", true);
  json.Push("da['o']", "copies", true);
  json.Push("data", "copies", true);  // not a reference and not JSON
  json.Push("da.", "copies", true);
  EXPECT_EQ(json.MemberCount("copies"), 3);
}

}  // namespace
}  // namespace quellora
