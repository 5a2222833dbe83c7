#include "app/dialogue.h"

#include "app/globals.h"
#include "app/program_text.h"
#include "app/workflow.h"
#include "runtime/codepage.h"
#include "runtime/console.h"
#include "runtime/interrupt.h"
#include "runtime/percent_encoding.h"
#include "runtime/process.h"

namespace quellora {
namespace {

void Write(std::string_view utf8) {
  ConsoleWrite(ProgramText(utf8));
}

// The typed album name as one path segment: UTF-8, with blanks, controls, non-ASCII bytes and
// the bytes that would end or escape the segment ("%", "#", "?", "/", "\") percent-encoded. It
// is encoded from UTF-8, never from the code page, whose trail bytes can be "\".
Text SearchSegment(const Text& name) {
  return PercentEncode(ToUtf8(name), PathSegmentDelimiters());
}

}  // namespace

int ConsoleDialogue() {
  // After SIGINT or SIGTERM nothing more is asked: a prompt waiting for input gets end of input,
  // and the dialogue ends after the step that was running.
  Write("\r\n软件说明：Quellora专辑下载工具\r\n");
  Write("\r\nTarnwickID：corvel771\r\n");
  Write("\r\n版本号：V1.1\r\n");
  Write("\r\n请输入专辑名称：");
  SearchAddress = ConsoleReadLine();
  if (Interrupted()) return 0;
  if (TextCompare(SearchAddress, "") != 0) {
    Write("\r\n提示信息：正在查询请稍候...");
    SearchAddress = TextConcat({ServiceOrigin, "/search/", SearchSegment(SearchAddress)});
    SearchAlbums();
    if (Interrupted()) return 0;
    Write("\r\n请输入专辑序号：");
  }
  AlbumIndexAnswer = ConsoleReadLine();
  if (Interrupted()) return 0;
  if (TextCompare(AlbumIndexAnswer, "") != 0) {
    Write("\r\n提示信息：正在查询请稍候...\r\n");
    CollectTracks();
    if (Interrupted()) return 0;
    const Text count = ToText(ArrayElementCount(TrackIds));
    ConsoleWrite(
        TextConcat({ProgramText("\r\n提示信息：当前共搜索到"), count, ProgramText("条声音\r\n")}));
    ConsoleWrite(TextConcat({ProgramText("\r\n提示信息：请选择下载模式：[1]全部下载"), count,
                             ProgramText("条声音\r\n")}));
    Write("\r\n请选择下载方式：");
  }
  DownloadModeAnswer = ConsoleReadLine();
  if (Interrupted()) return 0;
  if (TextCompare(DownloadModeAnswer, "1") == 0) DownloadTracks();
  return 0;
}

int ProgramMain() {
  RuntimeInit();
  InitGlobals();
  AddExitHook(ReleaseGlobals);
  ConsoleDialogue();
  RunMessageLoop();
  if (Interrupted()) return InterruptExitCode(InterruptSignal());
  return DownloadOutcome.failed > 0 ? kExitTrackFailed : kExitOk;
}

}  // namespace quellora
