#include "app/page_source.h"

#include <utility>

#include "http/web_fetch.h"
#include "runtime/interrupt.h"

namespace quellora {
namespace {

PageFetcher& InstalledFetcher() {
  static PageFetcher fetcher;
  return fetcher;
}

}  // namespace

Text FetchPage(std::string_view address) {
  if (Interrupted()) return Text();  // no new request once the run is being stopped
  const PageFetcher& fetcher = InstalledFetcher();
  if (fetcher) return fetcher(address);
  return WebFetch(address);
}

void SetPageFetcher(PageFetcher fetcher) {
  InstalledFetcher() = std::move(fetcher);
}

}  // namespace quellora
