#include "app/dialogue.h"

#include "app/globals.h"
#include "app/program_text.h"
#include "app/workflow.h"
#include "runtime/console.h"
#include "runtime/process.h"

namespace quellora {
namespace {

void Write(std::string_view utf8) {
  ConsoleWrite(ProgramText(utf8));
}

}  // namespace

int ConsoleDialogue() {
  Write("\r\n软件说明：Quellora专辑下载工具\r\n");
  Write("\r\nTarnwickID：corvel771\r\n");
  Write("\r\n版本号：V1.1\r\n");
  Write("\r\n请输入专辑名称：");
  SearchAddress = ConsoleReadLine();
  if (TextCompare(SearchAddress, "") != 0) {
    Write("\r\n提示信息：正在查询请稍候...");
    SearchAddress = TextConcat({ServiceOrigin, "/search/", SearchAddress});
    SearchAlbums();
    Write("\r\n请输入专辑序号：");
  }
  AlbumIndexAnswer = ConsoleReadLine();
  if (TextCompare(AlbumIndexAnswer, "") != 0) {
    Write("\r\n提示信息：正在查询请稍候...\r\n");
    CollectTracks();
    const Text count = ToText(ArrayElementCount(TrackIds));
    ConsoleWrite(
        TextConcat({ProgramText("\r\n提示信息：当前共搜索到"), count, ProgramText("条声音\r\n")}));
    ConsoleWrite(TextConcat({ProgramText("\r\n提示信息：请选择下载模式：[1]全部下载"), count,
                             ProgramText("条声音\r\n")}));
    Write("\r\n请选择下载方式：");
  }
  DownloadModeAnswer = ConsoleReadLine();
  if (TextCompare(DownloadModeAnswer, "1") == 0) DownloadTracks();
  return 0;
}

int ProgramMain() {
  RuntimeInit();
  InitGlobals();
  AddExitHook(ReleaseGlobals);
  ConsoleDialogue();
  RunMessageLoop();
  return DownloadOutcome.failed > 0 ? kExitTrackFailed : kExitOk;
}

}  // namespace quellora
