// Feeds arbitrary text to JsonObject::Parse, then reads the value back in every way and checks
// that JSON text written by ToJson reads back to the same text. The first line of the input is
// also used as a path and as a value for the building operations.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "script/json_object.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void ReadEverything(const quellora::JsonObject& json, std::string_view path) {
  quellora::TextArray keys;
  for (std::string_view p : {std::string_view(), path}) {
    json.GetText(p);
    json.GetText(p, true);
    json.TypeOf(p);
    Check(json.MemberCount(p) >= 0);
    Check(json.ListKeys(keys, p) == keys.ElementCount());
    for (const auto& key : keys.Elements()) json.GetText(key);
    json.GetElementText(0, p);
    json.GetElementText(1, p, true);
    json.GetObject(p).ToJson();
    json.GetElementObject(0, p).ToJson();
  }
  json.Has(path);
  json.GetNumber(path);
  json.GetJson(path);
}

void CheckRoundTrip(const quellora::JsonObject& json) {
  std::string text = json.ToJson();
  if (text.empty()) return;
  quellora::JsonObject again;
  again.Parse(text);
  Check(again.ToJson() == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view line = input.substr(0, input.find('\n'));

  quellora::JsonObject json;
  json.Parse(input);
  ReadEverything(json, line);
  CheckRoundTrip(json);

  quellora::JsonObject built = json;
  built.SetText(line, line);
  built.SetText(line, line, true);
  built.SetExpression(line, line);
  built.Push(line, line);
  built.Push(line, "", true);
  built.SetElement(0, line, true);
  built.DeleteMember(line);
  built.RemoveElement(-1);
  CheckRoundTrip(built);
  built.SetRoot(line, true);
  ReadEverything(built, line);
  CheckRoundTrip(built);
  return 0;
}
