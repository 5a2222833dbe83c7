// A fixture for the workflow steps: pages come from a table instead of the network, the
// requested addresses are recorded, and the globals start fresh for every test.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/page_source.h"
#include "runtime/codepage.h"
#include "runtime/console.h"

namespace quellora {

class WorkflowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitGlobals();
    SearchAddress.clear();
    AlbumIndexAnswer.clear();
    DownloadModeAnswer.clear();
    ServiceOrigin = "http://origin.test";
    SetPageFetcher([this](std::string_view address) {
      requested.emplace_back(address);
      auto found = pages.find(std::string(address));
      return found == pages.end() ? Text() : found->second;
    });
  }
  void TearDown() override {
    SetPageFetcher(nullptr);
    ReleaseGlobals();
  }

  /// A page in the program's code page, given in UTF-8.
  void Serve(const std::string& address, const std::string& utf8Page) {
    pages[address] = FromUtf8(utf8Page);
  }
  /// Runs step, returning what it wrote to the console, in UTF-8.
  template <class Step>
  std::string Output(Step step) {
    ::testing::internal::CaptureStdout();
    step();
    StandardConsole().Flush();
    return ::testing::internal::GetCapturedStdout();
  }

  std::map<std::string, Text> pages;
  std::vector<std::string> requested;
};

}  // namespace quellora
