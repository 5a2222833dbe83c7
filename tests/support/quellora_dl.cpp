#include "support/quellora_dl.h"

#include <utility>

namespace quellora::testing {

ProgramResult RunQuelloraDl(const std::vector<std::string>& arguments, const std::string& input) {
  ProgramOptions options;
  options.arguments = arguments;
  options.input = input;
  return RunQuelloraDl(std::move(options));
}

ProgramResult RunQuelloraDl(ProgramOptions options, int safetyLimitSeconds) {
  std::vector<std::string> environment = {
      "LANG=C.UTF-8", "LC_ALL=C.UTF-8", "http_proxy=", "https_proxy=",
      "HTTP_PROXY=",  "HTTPS_PROXY=",   "ALL_PROXY=",  "all_proxy="};
  environment.insert(environment.end(), options.environment.begin(), options.environment.end());
  options.environment = std::move(environment);
  return RunProgram(BinDir() + "/quellora-dl", options, safetyLimitSeconds);
}

std::string BannerAndNamePrompt() {
  return "\r\n软件说明：Quellora专辑下载工具\r\n"
         "\r\nTarnwickID：corvel771\r\n"
         "\r\n版本号：V1.1\r\n"
         "\r\n请输入专辑名称：";
}

std::string ListingAndIndexPrompt(const std::vector<std::pair<std::string, std::string>>& albums) {
  const std::string separator = "\r\n*********************\r\n";
  std::string text = "\r\n提示信息：正在查询请稍候..." + separator;
  int index = 0;
  for (const auto& [name, publisher] : albums) {
    text += "\r\n序号：" + std::to_string(++index) + "\r\n";
    text += "\r\n专辑名：" + name;
    text += "\r\n发布人：" + publisher;
    text += separator;
  }
  return text + "\r\n请输入专辑序号：";
}

std::string CountsAndModePrompt(int n) {
  const std::string count = std::to_string(n);
  return "\r\n提示信息：正在查询请稍候...\r\n"
         "\r\n提示信息：当前共搜索到" +
         count +
         "条声音\r\n"
         "\r\n提示信息：请选择下载模式：[1]全部下载" +
         count +
         "条声音\r\n"
         "\r\n请选择下载方式：";
}

std::string SavedLine(const std::string& title) {
  return "正在下载：" + title + "    完成\r\n";
}

std::string FailedLineStart(const std::string& title) {
  return "正在下载：" + title + "    失败";
}

std::string ClosingLine(int saved, int failed) {
  return "\r\n提示信息：已保存" + std::to_string(saved) + "条声音，失败" + std::to_string(failed) +
         "条\r\n";
}

}  // namespace quellora::testing
