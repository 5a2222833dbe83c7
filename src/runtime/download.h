// The simple HTTP download: an HTTP/1.0 GET of an absolute http or https address, separate from
// the program's own HTTP client. Used for the audio files.
//
// Every request goes out on an easy handle of the calling thread, kept until the thread ends;
// connections are not reused between calls. The request line is "GET <target> HTTP/1.0" with the
// user agent "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)", "Accept: */*" and no caching;
// the fragment (from the first "#") is dropped; the address is sent as UTF-8 with blanks, control
// and non-ASCII bytes percent-encoded; redirects are followed; the proxy comes from the
// http_proxy, https_proxy and no_proxy environment variables. Thread-safe: calls on different
// threads run side by side, each on its own handle and connection.
//
// The transfer policy in force (runtime/transfer_policy.h) bounds every call: connecting takes at
// most its connect time-out; a transfer that trickles below its minimum rate over its window
// fails as stalled; a body above the limit (the memory limit for the in-memory forms, the file
// limit for HttpDownloadFile), or a Content-Length above it, fails at once. An interrupt
// (runtime/interrupt.h) ends a transfer within about a second, and none starts while one is set.
#pragma once

#include <cstdint>
#include <filesystem>

#include "runtime/text.h"

namespace quellora {

/// What a download achieved, so a caller can tell a good one from a bad one.
struct DownloadResult {
  /// True when the server answered 2xx, the body arrived whole and (for the file form) the file
  /// was written and put in place.
  bool ok = false;
  /// The final response's status code (after redirects); 0 when no response arrived.
  long status = 0;
  /// True when the transfer ended normally and the body length matched Content-Length when the
  /// server sent one.
  bool whole = false;
  /// Body bytes received.
  std::int64_t received = 0;
  /// The announced Content-Length; -1 when the server sent none.
  std::int64_t contentLength = -1;
  /// True when the transfer ended because the run is being interrupted (Interrupted()).
  bool interrupted = false;
  /// A short ASCII reason when !ok, e.g. "HTTP 404", "body cut short (10 of 100 bytes)",
  /// "cannot connect: ...", "cannot write file", "larger than 4 GiB",
  /// "stalled: less than 1 KiB/s for 60 s", "interrupted"; empty when ok.
  Text failure;
};

/// The body of the response, whatever its status (an error page's body is returned like any
/// other); the bytes received so far when the transfer breaks or the memory limit stops it; empty
/// for the empty address (without any network activity), an address that is not http or https, or
/// no answer.
Bytes HttpReadFile(const Text& address);

/// HttpReadFile that also says how it went; body receives what HttpReadFile would return.
DownloadResult HttpReadFileChecked(const Text& address, Bytes& body);

/// Streams the body into fileName as it arrives, so the body never has to fit in memory. The
/// bytes go to a temporary file in the target folder, which replaces fileName only when the
/// result is ok (2xx and whole); otherwise the temporary file is removed and an existing file
/// keeps its bytes.
DownloadResult HttpDownloadFile(const Text& address, const Text& fileName);

/// HttpDownloadFile for a file-system path: its bytes go to the system as they are, so a folder
/// or file name that is no valid UTF-8 works too. An empty path fails with "no file name".
DownloadResult HttpDownloadFile(const Text& address, const std::filesystem::path& file);

/// Streams the body into file, an existing file (e.g. a PendingFile's path) that is truncated
/// first; no temporary file and no rename. When the result is not ok the file holds whatever
/// arrived, and the caller discards it. Fails with "cannot create file" when file cannot be
/// opened for writing.
DownloadResult HttpDownloadInto(const Text& address, const std::filesystem::path& file);

/// HttpDownloadFile for a name written as a literal: a Text in the program's code page.
DownloadResult HttpDownloadFile(const Text& address, const char* fileName);

}  // namespace quellora
